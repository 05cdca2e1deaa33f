# The ALSA mixer driver against a user-space ALSA control device.
if(TVCORE_WITH_ALSA)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
  # The control device (also used by tests/tvctl and tests/system/robustness).
  # alsa-lib finds the plugin by file name: libasound_module_ctl_<type>.so.
  # PIC must be defined, or the plugin's entry is versioned for a static
  # alsa-lib and the dynamic one cannot find it.
  add_library(asound_module_ctl_tvtest MODULE ${CMAKE_CURRENT_LIST_DIR}/fixtures/alsa_ctl_plugin.c)
  set_target_properties(asound_module_ctl_tvtest PROPERTIES
    PREFIX "lib" SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/alsa-plugins)
  target_compile_definitions(asound_module_ctl_tvtest PRIVATE PIC _GNU_SOURCE)
  target_link_libraries(asound_module_ctl_tvtest PRIVATE PkgConfig::ALSA)

  tvcore_add_gtest(alsamixer_test
    SOURCES drivers/alsamixer/alsamixer_test.cpp
    LIBS tvcore_static PkgConfig::ALSA tvmixalsa_api ${CMAKE_DL_LIBS}
    DEPENDS tvmixalsa asound_module_ctl_tvtest)
  target_compile_definitions(alsamixer_test PRIVATE
    TVCORE_TEST_ALSA_PLUGIN="$<TARGET_FILE:asound_module_ctl_tvtest>"
    TVCORE_TEST_ALSA_DRIVER="$<TARGET_FILE:tvmixalsa>")
endif()
