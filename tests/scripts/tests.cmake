# The project's own scripts: the architecture's arrow check (on this tree,
# and on a small tree with forbidden arrows planted), the static-analysis
# stage's clang-tidy runner, and the guest's kernel command line.
function(tvcore_add_script_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS scripts)
endfunction()

tvcore_add_script_test(scripts_arrows ${PROJECT_SOURCE_DIR}/scripts/check-arrows ${PROJECT_SOURCE_DIR})
tvcore_add_script_test(scripts_arrows_planted bash ${CMAKE_CURRENT_LIST_DIR}/arrows_test.sh
  ${PROJECT_SOURCE_DIR}/scripts/check-arrows)
tvcore_add_script_test(scripts_static_analysis bash ${CMAKE_CURRENT_LIST_DIR}/static_analysis_test.sh
  ${PROJECT_SOURCE_DIR}/scripts/analysis/tidy.py)
tvcore_add_script_test(scripts_guest_cmdline bash ${CMAKE_CURRENT_LIST_DIR}/guest_cmdline_test.sh
  ${PROJECT_SOURCE_DIR}/scripts/guest/cmdline.sh)
