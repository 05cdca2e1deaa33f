# TV audio and the host's mixer services, over the simulated mixer driver.

# Mixer drivers that only tests use, beside (not on) the module path: a
# second copy of the simulated mixer, and a module without a driver entry.
set(test_mixer_dir test-mixers)
tvcore_add_module(tvmixsim_second FILE tvmixsim DIR ${test_mixer_dir}/second SOURCES
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_driver.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_model.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_config.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/message_faults.cpp
  ${PROJECT_SOURCE_DIR}/drivers/common/state_file.cpp)
target_include_directories(tvmixsim_second PRIVATE ${PROJECT_SOURCE_DIR}/drivers/simmixer
                           ${PROJECT_SOURCE_DIR}/drivers/common)
tvcore_add_module(tvmixnoentry FILE tvmixnoentry DIR ${test_mixer_dir} SOURCES audio/fixtures/no_entry_driver.cpp)

add_library(sim_mixer_client STATIC audio/sim_mixer_client.cpp)
target_link_libraries(sim_mixer_client PUBLIC tvcore_test_support tvhost ${CMAKE_DL_LIBS})

tvcore_add_gtest(host_mixer_test
  SOURCES audio/host_mixer_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS tvmixsim tvmixsim_second tvmixnoentry)

tvcore_add_gtest(tv_audio_test
  SOURCES audio/tv_audio_test.cpp
  LIBS sim_mixer_client tvcore_static
  DEPENDS tvmixsim)

# The ALSA mixer driver against a user-space ALSA control device.
if(TVCORE_WITH_ALSA)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
  # alsa-lib finds the plugin by file name: libasound_module_ctl_<type>.so.
  # PIC must be defined, or the plugin's entry is versioned for a static
  # alsa-lib and the dynamic one cannot find it.
  add_library(asound_module_ctl_tvtest MODULE audio/alsa_ctl_plugin.c)
  set_target_properties(asound_module_ctl_tvtest PROPERTIES
    PREFIX "lib" SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/alsa-plugins)
  target_compile_definitions(asound_module_ctl_tvtest PRIVATE PIC _GNU_SOURCE)
  target_link_libraries(asound_module_ctl_tvtest PRIVATE PkgConfig::ALSA)

  tvcore_add_gtest(alsa_mixer_test
    SOURCES audio/alsa_mixer_test.cpp
    LIBS tvcore_static PkgConfig::ALSA tvmixalsa_api ${CMAKE_DL_LIBS}
    DEPENDS tvmixalsa asound_module_ctl_tvtest)
  target_compile_definitions(alsa_mixer_test PRIVATE
    TVCORE_TEST_ALSA_PLUGIN="$<TARGET_FILE:asound_module_ctl_tvtest>"
    TVCORE_TEST_ALSA_DRIVER="$<TARGET_FILE:tvmixalsa>")
endif()

tvcore_add_gtest(sim_mixer_test
  SOURCES audio/sim_mixer_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS tvmixsim)
