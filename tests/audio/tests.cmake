# The library's TV audio calls through the host's mixer functions and the
# simulated mixer.
tvcore_add_gtest(audio_test
  SOURCES audio/tv_audio_test.cpp
  LIBS sim_mixer_client tvcore_static
  DEPENDS tvmixsim)
