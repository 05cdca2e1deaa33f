# The simulated mixer's lines and controls as an application walks them.
tvcore_add_gtest(simmixer_test
  SOURCES drivers/simmixer/simmixer_test.cpp
  LIBS sim_mixer_client tvhost
  DEPENDS tvmixsim)
