# The tray icon against a real tray host: Xvfb with wmsystemtray (an XEmbed tray). Registered only where
# both programs exist; the test and the whole display are bounded by timeouts so a missing dock cannot hang.
find_program(DRAVIK_XVFB_RUN xvfb-run)
find_program(DRAVIK_WMSYSTEMTRAY wmsystemtray)
find_program(DRAVIK_TIMEOUT timeout)
find_library(DRAVIK_XCB_LIBRARY xcb)
if(DRAVIK_XVFB_RUN AND DRAVIK_WMSYSTEMTRAY AND DRAVIK_TIMEOUT AND DRAVIK_XCB_LIBRARY)
    file(GLOB tray_xvfb_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tray_xvfb/*.cpp)
    add_executable(dravik_tray_xvfb_tests ${tray_xvfb_sources})
    target_link_libraries(dravik_tray_xvfb_tests PRIVATE dravik_test_main_qt dravik_mainwindow ${DRAVIK_XCB_LIBRARY})
    add_test(NAME TrayXvfb.RealTrayHost
             COMMAND ${DRAVIK_TIMEOUT} -k 5 90 ${DRAVIK_XVFB_RUN} -a -s "-screen 0 1024x768x24" sh -c
                     "${DRAVIK_WMSYSTEMTRAY} --non-wmaker >/dev/null 2>&1 & sleep 1; exec ${DRAVIK_TIMEOUT} -k 5 80 $<TARGET_FILE:dravik_tray_xvfb_tests>")
    set(tray_xvfb_env ${DRAVIK_TEST_ENV})
    list(FILTER tray_xvfb_env EXCLUDE REGEX "^QT_QPA_PLATFORM=")
    list(APPEND tray_xvfb_env QT_QPA_PLATFORM=xcb)
    set_tests_properties(TrayXvfb.RealTrayHost PROPERTIES ENVIRONMENT "${tray_xvfb_env}" TIMEOUT 100 LABELS xvfb)
endif()
