# The host's Windows services against Windows' documented answers (the
# conformance set), and host settings that name FIFOs or devices.
set(host_test_dir ${CMAKE_CURRENT_LIST_DIR})

# A mixer driver that writes its own data into dwUser, beside (not on) the
# module path.
tvcore_add_module(tvmixuserdata FILE tvmixuserdata DIR test-mixers SOURCES ${host_test_dir}/fixtures/user_data_driver.cpp)

tvcore_add_gtest(host_conformance_test
  SOURCES ${host_test_dir}/conformance_sync_test.cpp ${host_test_dir}/conformance_module_test.cpp
          ${host_test_dir}/conformance_mixer_test.cpp ${host_test_dir}/conformance_files_test.cpp
          ${host_test_dir}/hostile_settings_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS probe_a tvmixsim tvmixuserdata)
target_compile_definitions(host_conformance_test PRIVATE TVCORE_TEST_PROBE_DIR="${PROJECT_BINARY_DIR}/tests/probe-modules")
