# The V4L2 bus and mixer drivers against a fake V4L2 at their system-call
# boundary, alone and under the library's own calls.
if(TARGET tvv4l2 AND TARGET tvmixv4l2 AND TARGET tvcore_static)
  add_library(tvv4l2_test_support STATIC drivers/v4l2/fake_v4l2.cpp drivers/v4l2/fake_v4l2_capture.cpp
              drivers/v4l2/v4l2_fixture.cpp)
  target_link_libraries(tvv4l2_test_support PUBLIC tvcore_test_support tvv4l2_headers tvhost
                        GTest::gtest ${CMAKE_DL_LIBS})

  tvcore_add_gtest(v4l2_driver_test
    SOURCES drivers/v4l2/bus_driver_test.cpp drivers/v4l2/library_test.cpp drivers/v4l2/capture_test.cpp
            drivers/v4l2/tuner_exports_test.cpp
    LIBS tvv4l2_test_support tvcore_static
    DEPENDS tvv4l2 tvmixv4l2)
endif()

# tvctl snapshot on the V4L2 bus over the same fake, in process.
if(TARGET tvv4l2_test_support AND TARGET tvctl_core)
  tvcore_add_gtest(v4l2_tvctl_test
    SOURCES drivers/v4l2/tvctl_snapshot_test.cpp drivers/v4l2/tvctl_tables_test.cpp
    LIBS tvv4l2_test_support tvctl_core
    DEPENDS tvv4l2 tvmixv4l2 tvcore)
endif()

# The guest checks' measure of a snapshot or a watched frame
# (scripts/guest/checks/45-v4l2-picture.sh, 48-v4l2-watch.sh).
if(TARGET tvv4l2)
  find_package(PNG REQUIRED)
  find_package(JPEG REQUIRED)
  add_executable(v4l2_picture_stats drivers/v4l2/picture_stats.cpp)
  target_link_libraries(v4l2_picture_stats PRIVATE PNG::PNG JPEG::JPEG)
  set_target_properties(v4l2_picture_stats PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
endif()
