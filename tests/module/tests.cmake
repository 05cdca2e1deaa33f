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
