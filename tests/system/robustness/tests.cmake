# Robustness: bad input to every exported function and host service, faults
# on the simulated card and mixer, a model-based random test, long runs, and
# the host's services under several threads at once (also under
# ThreadSanitizer, scripts/stages/50-tsan). docs/bad-input.md explains.
set(robust_dir ${CMAKE_CURRENT_LIST_DIR})

add_library(robustness_support STATIC ${robust_dir}/harness.cpp ${tvcore_simcard_access})
target_link_libraries(robustness_support PUBLIC tvcore_test_support sim_mixer_client tvhost tvsim_api ${CMAKE_DL_LIBS})
target_include_directories(robustness_support PUBLIC ${robust_dir} ${PROJECT_SOURCE_DIR}/drivers/simmixer/include)

# Everything these programs load at run time.
set(robust_modules tvcore tvsimcard tvmixsim)

tvcore_add_gtest(robustness_bad_input_test
  SOURCES ${robust_dir}/export_bad_input_test.cpp
  LIBS robustness_support
  DEPENDS ${robust_modules})

tvcore_add_gtest(robustness_host_bad_input_test
  SOURCES ${robust_dir}/host_bad_input_test.cpp ${robust_dir}/module_files_test.cpp
  LIBS robustness_support
  # Bus drivers with a malformed block, and a mixer module without an entry.
  DEPENDS ${robust_modules} test_bus_driver_bad-signature test_bus_driver_bad-count
          test_bus_driver_null-entry tvmixnoentry tvmixrefuses)

# The ALSA mixer driver beside a program that uses alsa-lib itself, with a
# copy of the driver built to be unloadable (no unique symbols), beside the
# module path.
if(TVCORE_WITH_ALSA AND TARGET asound_module_ctl_tvtest)
  tvcore_add_module(tvmixalsa_unloadable FILE tvmixalsa DIR test-mixers/unloadable SOURCES
    ${PROJECT_SOURCE_DIR}/drivers/alsamixer/alsa_driver.cpp
    ${PROJECT_SOURCE_DIR}/drivers/alsamixer/alsa_card.cpp)
  target_link_libraries(tvmixalsa_unloadable PRIVATE PkgConfig::ALSA tvmixalsa_api tvdriver_support)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(tvmixalsa_unloadable PRIVATE -fno-gnu-unique)
  endif()

  tvcore_add_gtest(robustness_alsa_shared_test
    SOURCES ${robust_dir}/alsa_unload_test.cpp
    LIBS robustness_support PkgConfig::ALSA
    DEPENDS tvmixalsa_unloadable asound_module_ctl_tvtest)
  target_compile_definitions(robustness_alsa_shared_test PRIVATE
    TVCORE_TEST_ALSA_PLUGIN="$<TARGET_FILE:asound_module_ctl_tvtest>"
    TVCORE_TEST_UNLOADABLE_ALSA_DRIVER="$<TARGET_FILE:tvmixalsa_unloadable>")
endif()

tvcore_add_gtest(robustness_fault_test
  SOURCES ${robust_dir}/fault_injection_test.cpp
  LIBS robustness_support
  DEPENDS ${robust_modules})

# A model-based random test (TVCORE_MODEL_SEED, TVCORE_MODEL_STEPS, TVCORE_MODEL_TUNES).
tvcore_add_gtest(robustness_model_test
  SOURCES ${robust_dir}/model_test.cpp ${robust_dir}/model_card.cpp ${robust_dir}/model_mixer.cpp
  LIBS robustness_support
  DEPENDS ${robust_modules})

# Long runs (TVCORE_LONG_CYCLES, TVCORE_LONG_REAL_TUNE_EVERY, TVCORE_LONG_BLOCK_WRITES).
tvcore_add_gtest(robustness_long_run_test
  SOURCES ${robust_dir}/long_run_test.cpp
  LIBS robustness_support
  DEPENDS ${robust_modules})

# The host's services from several threads at once (also run under
# ThreadSanitizer by scripts/stages/50-tsan).
tvcore_add_gtest(robustness_host_threads_test
  SOURCES ${robust_dir}/host_threads_test.cpp
  LIBS robustness_support
  DEPENDS ${robust_modules}
  LABELS threads)
