# The simulated card's own behaviour, reached through the library's link.
tvcore_add_gtest(simcard_test
  SOURCES drivers/simcard/simcard_test.cpp ${tvcore_link_fixture} ${tvcore_simcard_access}
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard)

# The card's picture: the rendering on register states of the test's own,
# and the frame call of the module after the library has set the card.
tvcore_add_gtest(simcard_picture_test
  SOURCES drivers/simcard/picture_test.cpp ${tvcore_link_fixture} ${tvcore_simcard_access}
  LIBS tvcore_static tvsim_picture ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard)
