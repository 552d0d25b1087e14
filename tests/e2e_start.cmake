# The real program's start: one program per data directory (a second start shows the first one's window and
# ends) and a product site that never answers the version check. Debian's python3.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    # Sanitizers slow the program down by a varying factor: the time bounds are skipped there.
    set(start_e2e_args)
    if(DRAVIK_SANITIZE)
        set(start_e2e_args --no-timing)
    endif()
    add_test(NAME dravik_e2e_start COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/dravik_start_e2e.py
                                           $<TARGET_FILE:dravik> ${start_e2e_args})
    set_tests_properties(dravik_e2e_start PROPERTIES TIMEOUT 180 LABELS e2e SKIP_RETURN_CODE 77)
endif()
