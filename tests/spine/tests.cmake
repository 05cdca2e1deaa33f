# The spine: host link and timed wait, the simulated card, the bus calls,
# TV parameters and tuning.

# Test bus drivers with one flaw each, tvbus16.so in directories of their own.
set(spine_test_driver_flaws well-formed bad-signature bad-count null-entry)
set(spine_test_drivers)
set(flaw_index 0)
foreach(flaw ${spine_test_driver_flaws})
  tvcore_add_module(spine_test_driver_${flaw} FILE tvbus16 DIR spine-test-drivers/${flaw}
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_bus_driver.cpp)
  target_compile_definitions(spine_test_driver_${flaw} PRIVATE TEST_DRIVER_FLAW=${flaw_index})
  list(APPEND spine_test_drivers spine_test_driver_${flaw})
  math(EXPR flaw_index "${flaw_index} + 1")
endforeach()

tvcore_add_gtest(spine_host_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/host_sync_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/host_translations_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/host_thunk_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/simcard_access.cpp
  LIBS tvhost tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard ${spine_test_drivers})

tvcore_add_gtest(spine_tv_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/spine_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bus_link_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/no_link_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tv_params_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tuning_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simcard_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/simcard_access.cpp
  LIBS tvcore_static tvsim_api ${CMAKE_DL_LIBS}
  DEPENDS tvsimcard spine_test_driver_bad-count)

# The median duration of a tune on the simulated card (a measurement, not a
# test): build/<dir>/tests/spine_tune_timing
add_executable(spine_tune_timing ${CMAKE_CURRENT_LIST_DIR}/tune_timing.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/support/simcard_access.cpp)
set_target_properties(spine_tune_timing PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
target_link_libraries(spine_tune_timing PRIVATE tvcore_test_support tvcore_static tvsim_api ${CMAKE_DL_LIBS})
add_dependencies(spine_tune_timing tvsimcard)
