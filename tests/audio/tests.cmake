# TV audio and the host's mixer services, over the simulated mixer driver.

# Mixer drivers that only tests use, beside (not on) the module path: a
# second copy of the simulated mixer, and a module without a driver entry.
set(test_mixer_dir test-mixers)
tvcore_add_module(tvmixsim_second FILE tvmixsim DIR ${test_mixer_dir}/second SOURCES
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_driver.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_model.cpp
  ${PROJECT_SOURCE_DIR}/drivers/simmixer/sim_config.cpp)
target_include_directories(tvmixsim_second PRIVATE ${PROJECT_SOURCE_DIR}/drivers/simmixer)
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
