# Module load and unload: the host loader and debug output (with small probe
# modules of their own), the library's exported symbols, and the library's
# whole life through LoadLibraryA on the simulated card and mixer.

# Probe modules for the loader, in a directory of their own so they never
# sit on the library's module path.
set(probe_dir ${PROJECT_BINARY_DIR}/tests/probe-modules)
foreach(probe probe_a probe_b)
  add_library(${probe} MODULE module/fixtures/probe_module.cpp)
  target_compile_definitions(${probe} PRIVATE PROBE_NAME="${probe}")
endforeach()
add_library(plain_module MODULE module/fixtures/plain_module.cpp)
foreach(probe probe_a probe_b plain_module)
  set_target_properties(${probe} PROPERTIES PREFIX "" SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${probe_dir}
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${probe} PRIVATE tvhost)
  target_link_options(${probe} PRIVATE -Wl,--no-undefined)
endforeach()

tvcore_add_gtest(host_loader_test
  SOURCES module/loader_test.cpp
  LIBS tvhost ${CMAKE_DL_LIBS}
  DEPENDS probe_a probe_b plain_module)
target_compile_definitions(host_loader_test PRIVATE TVCORE_TEST_PROBE_DIR="${probe_dir}")

tvcore_add_gtest(host_debug_output_test SOURCES module/debug_output_test.cpp LIBS tvhost)

tvcore_add_gtest(module_exports_test SOURCES module/exports_test.cpp DEPENDS tvcore tvhost)
target_compile_definitions(module_exports_test PRIVATE
  TVCORE_TEST_MODULE_FILE="$<TARGET_FILE:tvcore>" TVCORE_TEST_HOST_FILE="$<TARGET_FILE:tvhost>")

tvcore_add_gtest(module_lifecycle_test
  SOURCES module/lifecycle_test.cpp
  LIBS tvhost ${CMAKE_DL_LIBS}
  DEPENDS tvcore tvsimcard tvmixsim)
target_include_directories(module_lifecycle_test PRIVATE
  ${PROJECT_SOURCE_DIR}/drivers/simcard/include ${PROJECT_SOURCE_DIR}/drivers/simmixer/include)

# Where the build tree keeps its configuration directory: the same place
# below the build tree as below the prefix, or the absolute directory that
# an installation outside its prefix uses (/etc/tvcore for the prefix /usr).
if(IS_ABSOLUTE "${TVCORE_INSTALL_CONFIG_DIR}")
  set(build_config_dir ${TVCORE_INSTALL_CONFIG_DIR})
else()
  set(build_config_dir ${PROJECT_BINARY_DIR}/${TVCORE_INSTALL_CONFIG_DIR})
endif()
tvcore_add_gtest(host_default_dirs_test SOURCES module/default_dirs_test.cpp LIBS tvhost
  DEPENDS tvcore tvsimcard)
target_compile_definitions(host_default_dirs_test PRIVATE TVCORE_TEST_CONFIG_DIR="${build_config_dir}")
