# The simulated card's own behaviour, reached through the library's link.
tvcore_add_gtest(simcard_test
  SOURCES drivers/simcard/simcard_test.cpp ${tvcore_link_fixture} ${tvcore_simcard_access}
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard)
