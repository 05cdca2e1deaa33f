# Heap allocations of the exported calls, counted across the whole process
# (the program interposes the allocator, or uses the sanitizer's hook).
tvcore_add_gtest(alloc_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/alloc_counter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/no_alloc_test.cpp
  LIBS tvhost ${CMAKE_DL_LIBS}
  DEPENDS tvcore tvsimcard tvmixsim)
