# Board configuration: the scanner, the reader, and the host's file and
# memory services the reader stands on.
tvcore_add_gtest(config_board_scan_test SOURCES config/board_scan_test.cpp LIBS tvcore_static)
