# Bus transactions of each exported call on the simulated card, against the
# design's minimum (the benchmarks in bench/ report the calls' times).
tvcore_add_gtest(bench_bus_counts_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/bus_counts_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/simcard_access.cpp
  LIBS tvhost tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvcore tvsimcard)
