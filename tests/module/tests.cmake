# The library module as a whole: what it exports, and its life in a process
# through LoadLibraryA on the simulated card and mixer.
tvcore_add_gtest(module_exports_test SOURCES module/exports_test.cpp DEPENDS tvcore tvhost)
target_compile_definitions(module_exports_test PRIVATE
  TVCORE_TEST_MODULE_FILE="$<TARGET_FILE:tvcore>" TVCORE_TEST_HOST_FILE="$<TARGET_FILE:tvhost>")

tvcore_add_gtest(module_lifecycle_test
  SOURCES module/lifecycle_test.cpp
  LIBS tvhost ${CMAKE_DL_LIBS}
  DEPENDS tvcore tvsimcard tvmixsim
  LABELS threads)
target_include_directories(module_lifecycle_test PRIVATE
  ${PROJECT_SOURCE_DIR}/drivers/simcard/include ${PROJECT_SOURCE_DIR}/drivers/simmixer/include)
