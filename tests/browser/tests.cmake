# tvctl watch in a real browser (Debian's chromium through playwright-core,
# which scripts/deps installs with npm ci). Never skipped: without chromium,
# node or the node packages the test fails and says what is missing. The
# screenshots stay in <build>/browser-screenshots.
if(TARGET tvctl)
  find_program(NODE node)
  if(NODE)
    add_test(NAME TvctlWatchBrowser
      COMMAND ${NODE} ${CMAKE_CURRENT_LIST_DIR}/watch_page_test.mjs $<TARGET_FILE:tvctl>
              ${PROJECT_BINARY_DIR}/browser-screenshots)
  else()
    add_test(NAME TvctlWatchBrowser
      COMMAND sh -c "echo 'watch page test: node is missing (install nodejs, see scripts/packages.txt)' >&2; exit 1")
  endif()
  set_tests_properties(TvctlWatchBrowser PROPERTIES LABELS "browser;tvctl" TIMEOUT 120)
endif()
