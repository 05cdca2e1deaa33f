# The library's TV side: its bus calls through the link (and without one),
# the TV parameters, tuning, and the board file from scanner to decoder.
tvcore_add_gtest(tv_link_test
  SOURCES tv/bus_link_test.cpp tv/no_link_test.cpp tv/tv_params_test.cpp tv/tuning_test.cpp
          ${tvcore_link_fixture} ${tvcore_simcard_access}
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard test_bus_driver_bad-count)

tvcore_add_gtest(tv_board_scan_test SOURCES tv/board_scan_test.cpp tv/board_file_test.cpp LIBS tvcore_static)
tvcore_add_gtest(tv_board_config_test SOURCES tv/board_config_test.cpp LIBS tvcore_static)
tvcore_add_gtest(tv_board_source_test
  SOURCES tv/board_source_test.cpp ${tvcore_simcard_access}
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard)

# The median duration of a tune on the simulated card (a measurement, not a
# test): build/<dir>/tests/tv_tune_timing
add_executable(tv_tune_timing ${CMAKE_CURRENT_LIST_DIR}/tune_timing.cpp ${tvcore_simcard_access})
set_target_properties(tv_tune_timing PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
target_link_libraries(tv_tune_timing PRIVATE tvcore_test_support tvcore_static tvsim_api ${CMAKE_DL_LIBS})
add_dependencies(tv_tune_timing tvsimcard)

# The card's channel tables and analogue standards (card facts).
tvcore_add_gtest(tv_channel_tables_test SOURCES tv/channel_tables_test.cpp LIBS tvcore_cardfacts)
