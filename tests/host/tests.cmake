# The host layer: the Windows services the library and its drivers call
# (sync, files, page memory, formatting, loader, debug output, mixer), the
# bus link's connect step and 16:16 translations, and the conformance set
# against Windows' documented answers.

# Bus drivers for the connect step with one flaw each, tvbus16.so in
# directories of their own (also used by tests/tv and tests/system/robustness).
set(test_bus_driver_flaws well-formed bad-signature bad-count null-entry)
set(test_bus_drivers)
set(flaw_index 0)
foreach(flaw ${test_bus_driver_flaws})
  tvcore_add_module(test_bus_driver_${flaw} FILE tvbus16 DIR test-bus-drivers/${flaw}
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixtures/test_bus_driver.cpp)
  target_compile_definitions(test_bus_driver_${flaw} PRIVATE TEST_DRIVER_FLAW=${flaw_index})
  list(APPEND test_bus_drivers test_bus_driver_${flaw})
  math(EXPR flaw_index "${flaw_index} + 1")
endforeach()

# Probe modules for the loader, in a directory of their own so they never
# sit on the library's module path.
set(probe_dir ${PROJECT_BINARY_DIR}/tests/probe-modules)
foreach(probe probe_a probe_b)
  add_library(${probe} MODULE ${CMAKE_CURRENT_LIST_DIR}/fixtures/probe_module.cpp)
  target_compile_definitions(${probe} PRIVATE PROBE_NAME="${probe}")
endforeach()
add_library(plain_module MODULE ${CMAKE_CURRENT_LIST_DIR}/fixtures/plain_module.cpp)
foreach(probe probe_a probe_b plain_module)
  set_target_properties(${probe} PROPERTIES PREFIX "" SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${probe_dir}
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${probe} PRIVATE tvhost)
  target_link_options(${probe} PRIVATE -Wl,--no-undefined)
endforeach()

# Mixer drivers that only tests use, beside (not on) the module path: a
# second copy of the simulated mixer, a module without a driver entry, a
# driver that writes its own data into dwUser, and one that refuses its load.
set(test_mixer_dir test-mixers)
tvcore_add_module(tvmixsim_second FILE tvmixsim DIR ${test_mixer_dir}/second SOURCES
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_driver.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_model.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_config.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/message_faults.cpp)
target_include_directories(tvmixsim_second PRIVATE ${PROJECT_SOURCE_DIR}/drivers/simmixer)
target_link_libraries(tvmixsim_second PRIVATE tvdriver_support)
tvcore_add_module(tvmixnoentry FILE tvmixnoentry DIR ${test_mixer_dir}
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixtures/no_entry_driver.cpp)
tvcore_add_module(tvmixuserdata FILE tvmixuserdata DIR ${test_mixer_dir}
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixtures/user_data_driver.cpp)
tvcore_add_module(tvmixrefuses FILE tvmixrefuses DIR ${test_mixer_dir}
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixtures/refusing_driver.cpp)

# Semaphores, timed wait and Sleep; the bus link's 16:16 translations and
# its connect step against the simulated card and the flawed drivers.
tvcore_add_gtest(host_services_test
  SOURCES host/sync_test.cpp host/translations_test.cpp host/thunk_test.cpp ${tvcore_simcard_access}
  LIBS tvhost tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard ${test_bus_drivers}
  LABELS threads)

tvcore_add_gtest(host_files_test SOURCES host/files_test.cpp LIBS tvhost LABELS threads)
tvcore_add_gtest(host_module_path_test SOURCES host/module_path_test.cpp LIBS tvhost_internal)

tvcore_add_gtest(host_loader_test
  SOURCES host/loader_test.cpp
  LIBS tvhost ${CMAKE_DL_LIBS}
  DEPENDS probe_a probe_b plain_module
  LABELS threads)
target_compile_definitions(host_loader_test PRIVATE TVCORE_TEST_PROBE_DIR="${probe_dir}")

tvcore_add_gtest(host_debug_output_test SOURCES host/debug_output_test.cpp LIBS tvhost LABELS threads)

# Where the build tree keeps its configuration directory: the same place
# below the build tree as below the prefix, or the absolute directory that
# an installation outside its prefix uses (/etc/tvcore for the prefix /usr).
if(IS_ABSOLUTE "${TVCORE_INSTALL_CONFIG_DIR}")
  set(build_config_dir ${TVCORE_INSTALL_CONFIG_DIR})
else()
  set(build_config_dir ${PROJECT_BINARY_DIR}/${TVCORE_INSTALL_CONFIG_DIR})
endif()
tvcore_add_gtest(host_default_dirs_test SOURCES host/default_dirs_test.cpp LIBS tvhost
  DEPENDS tvcore tvsimcard)
target_compile_definitions(host_default_dirs_test PRIVATE TVCORE_TEST_CONFIG_DIR="${build_config_dir}")

# The mixer functions over the simulated mixer driver.
tvcore_add_gtest(host_mixer_test
  SOURCES host/mixer_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS tvmixsim tvmixsim_second tvmixnoentry
  LABELS threads)

# The conformance set, and host settings that name FIFOs or devices.
tvcore_add_gtest(host_conformance_test
  SOURCES host/conformance_sync_test.cpp host/conformance_module_test.cpp host/conformance_mixer_test.cpp
          host/conformance_files_test.cpp host/hostile_settings_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS probe_a tvmixsim tvmixuserdata)
target_compile_definitions(host_conformance_test PRIVATE TVCORE_TEST_PROBE_DIR="${probe_dir}")

# Choosing the module directory and the drivers in code, and asking which are
# in use, with the library, the simulated card and mixer and the test drivers.
tvcore_add_gtest(host_driver_choice_test
  SOURCES host/driver_choice_test.cpp
  LIBS tvhost
  DEPENDS tvcore tvsimcard tvmixsim tvmixsim_second ${test_bus_drivers})
