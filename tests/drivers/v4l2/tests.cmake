# The V4L2 bus and mixer drivers against a fake V4L2 at their system-call
# boundary, alone and under the library's own calls.
if(TARGET tvv4l2 AND TARGET tvmixv4l2 AND TARGET tvcore_static)
  add_library(tvv4l2_test_support STATIC drivers/v4l2/fake_v4l2.cpp drivers/v4l2/v4l2_fixture.cpp)
  target_link_libraries(tvv4l2_test_support PUBLIC tvcore_test_support tvv4l2_headers tvhost
                        GTest::gtest ${CMAKE_DL_LIBS})

  tvcore_add_gtest(v4l2_driver_test
    SOURCES drivers/v4l2/bus_driver_test.cpp drivers/v4l2/library_test.cpp drivers/v4l2/tuner_exports_test.cpp
    LIBS tvv4l2_test_support tvcore_static
    DEPENDS tvv4l2 tvmixv4l2)
endif()
