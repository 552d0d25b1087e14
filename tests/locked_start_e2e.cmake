# The real program on a private X display (Xvfb, openbox), its window read through the accessibility bus:
# started on an archive another program holds locked, with a site that never answers the version check (the window
# comes at once, says the archive is locked, and SIGTERM ends it at once); and with an earthquake source nobody
# answers, until it does (the status line and the empty list say so, then the quakes come). Without a desktop or
# accessibility tool a script exits 77: skipped.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_locked_start_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON}
                                                  ${CMAKE_CURRENT_SOURCE_DIR}/e2e/locked_start_e2e.py
                                                  $<TARGET_FILE:dravik>)
    add_test(NAME dravik_status_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/status_e2e.py
                                            $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_locked_start_e2e dravik_status_e2e PROPERTIES TIMEOUT 120 LABELS "e2e;xvfb"
                                                                              SKIP_RETURN_CODE 77)
endif()
