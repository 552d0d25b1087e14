# The real program, offscreen, against pages served on 127.0.0.1: one polling cycle, the rows it stored, and
# a clean end on SIGTERM. Debian's python3; exit status 77 without dbus-daemon for the alerts run.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/dravik_e2e.py
                                     $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_e2e PROPERTIES TIMEOUT 180 LABELS e2e SKIP_RETURN_CODE 77)
endif()
