# The real program with two sources and EMSC's push served on 127.0.0.1; Debian's python3 has websockets
# (without it the script exits 77: skipped).
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_sources_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sources_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_sources_e2e PROPERTIES TIMEOUT 180 LABELS e2e SKIP_RETURN_CODE 77)
endif()
