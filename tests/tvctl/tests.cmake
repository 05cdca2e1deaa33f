# tvctl: its pieces (linter, words, plans) directly, and the built program
# end to end on the simulated card.
if(TARGET tvctl)
  find_package(nlohmann_json REQUIRED)
  set(tvctl_bus_drivers tvsimcard)
  foreach(driver tvi2cdev tvv4l2)
    if(TARGET ${driver})
      list(APPEND tvctl_bus_drivers ${driver})
    endif()
  endforeach()

  tvcore_add_gtest(tvctl_unit_test
    SOURCES tvctl/config_lint_test.cpp tvctl/words_test.cpp tvctl/scan_engine_test.cpp tvctl/bus_words_test.cpp
            tvctl/volume_words_test.cpp tvctl/stations_test.cpp tvctl/card_readback_test.cpp
            tvctl/tuner_words_test.cpp tvctl/band_scan_test.cpp
    LIBS tvctl_core
    # The bus drivers whose words the results are shown in.
    DEPENDS ${tvctl_bus_drivers})

  tvcore_add_gtest(tvctl_tool_test
    SOURCES tvctl/tool_runner.cpp tvctl/tour_test.cpp tvctl/commands_test.cpp tvctl/scan_test.cpp
            tvctl/config_check_test.cpp tvctl/hostile_input_test.cpp tvctl/tuning_test.cpp
            tvctl/card_state_test.cpp tvctl/station_files_test.cpp tvctl/snapshot_test.cpp
            tvctl/tuner_record_test.cpp tvctl/settings_test.cpp
    LIBS nlohmann_json::nlohmann_json util
    DEPENDS tvctl)
  target_compile_definitions(tvctl_tool_test PRIVATE TVCTL_PROGRAM="$<TARGET_FILE:tvctl>")

  # tvctl watch: its web server and API, as a script reaches them.
  tvcore_add_gtest(tvctl_watch_test
    SOURCES tvctl/tool_runner.cpp tvctl/watch_test.cpp
    LIBS nlohmann_json::nlohmann_json PkgConfig::HTTPLIB
    DEPENDS tvctl)
  target_compile_definitions(tvctl_watch_test PRIVATE TVCTL_PROGRAM="$<TARGET_FILE:tvctl>")

  # The audio command on the ALSA mixer, over the test's ALSA control device.
  if(TARGET asound_module_ctl_tvtest)
    tvcore_add_gtest(tvctl_alsa_test
      SOURCES tvctl/tool_runner.cpp tvctl/audio_alsa_test.cpp
      LIBS nlohmann_json::nlohmann_json
      DEPENDS tvctl tvmixalsa asound_module_ctl_tvtest)
    target_compile_definitions(tvctl_alsa_test PRIVATE TVCTL_PROGRAM="$<TARGET_FILE:tvctl>"
      TVCORE_TEST_ALSA_PLUGIN="$<TARGET_FILE:asound_module_ctl_tvtest>")
  endif()
endif()

# The manual page renders without a groff warning; the completion script
# parses and completes plans and station names; the man page, the
# completion and the README name every command and option the help names.
if(TARGET tvctl)
  find_program(GROFF groff)
  if(GROFF)
    add_test(NAME TvctlManPage
      COMMAND sh -c "out=$(${GROFF} -man -ww -z \"$1\" 2>&1); [ -z \"$out\" ] || { echo \"$out\"; exit 1; }"
              sh ${PROJECT_SOURCE_DIR}/docs/man/tvctl.1)
    set_tests_properties(TvctlManPage PROPERTIES LABELS tvctl)
  endif()
  add_test(NAME TvctlCompletion
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/completion_test.sh ${PROJECT_SOURCE_DIR}/tools/tvctl/tvctl.bash
            $<TARGET_FILE:tvctl>)
  set_tests_properties(TvctlCompletion PROPERTIES LABELS tvctl)
  add_test(NAME TvctlDocsMatchHelp
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/docs_match_help_test.sh $<TARGET_FILE:tvctl>
            ${PROJECT_SOURCE_DIR}/docs/man/tvctl.1 ${PROJECT_SOURCE_DIR}/tools/tvctl/tvctl.bash ${PROJECT_SOURCE_DIR}/README.md)
  set_tests_properties(TvctlDocsMatchHelp PROPERTIES LABELS tvctl)
endif()
