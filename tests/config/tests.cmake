# Board configuration: the scanner, the reader, and the host's file and
# memory services the reader stands on.
tvcore_add_gtest(config_board_scan_test SOURCES config/board_scan_test.cpp LIBS tvcore_static)
tvcore_add_gtest(config_host_files_test SOURCES config/host_files_test.cpp LIBS tvhost)
tvcore_add_gtest(config_wsprintf_format_test SOURCES config/wsprintf_format_test.cpp LIBS tvhost_internal)
tvcore_add_gtest(config_board_config_test SOURCES config/board_config_test.cpp LIBS tvcore_static)
tvcore_add_gtest(config_board_source_test
  SOURCES config/board_source_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/support/simcard_access.cpp
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard)
