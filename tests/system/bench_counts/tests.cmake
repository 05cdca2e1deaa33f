# Bus transactions of each exported call on the simulated card, against the
# design's minimum (the benchmarks in bench/ report the calls' times).
tvcore_add_gtest(bench_counts_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/bus_counts_test.cpp
    ${tvcore_simcard_access}
  LIBS tvhost tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvcore tvsimcard)
