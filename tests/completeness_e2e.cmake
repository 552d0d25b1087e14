# Nothing a source published is lost and each quake is one row: SIGTERM and errors in a catch-up, services that
# ignore the order or repeat ties, merges across agencies, a locked archive, stale feeds; servers on 127.0.0.1.
# Debian's python3 (sqlite3); without it the script exits 77.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_completeness_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON}
                                                  ${CMAKE_CURRENT_SOURCE_DIR}/e2e/completeness_e2e.py $<TARGET_FILE:dravik>)
    # Ten cases; the endless catch-up alone keeps a core busy about two minutes, longer beside other tests and
    # under the sanitizers.
    set_tests_properties(dravik_completeness_e2e PROPERTIES TIMEOUT 900 LABELS e2e SKIP_RETURN_CODE 77)
endif()

# The completeness mark moves only over what was written and could be checked: reports dated ahead, a clock days
# fast, a service that ignores the window, two addresses of one agency, late and revised quakes, copies without
# update times, a locked archive through 60,000 quakes, copies of quakes older than the start reads, a detach
# after a restart. The same services; faketime for the clock (scripts/install-deps).
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_mark_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/mark_e2e.py
                                          $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_mark_e2e PROPERTIES TIMEOUT 900 LABELS e2e SKIP_RETURN_CODE 77)
endif()
