# An earthquake service, or the proxy before it, whose header never ends: the program closes the connection soon
# after the first bytes, its memory stays small and the status line says why. Needs a private X display and the
# accessibility bus; without them the script exits 77: skipped.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_header_bound_e2e
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/header_bound_e2e.py $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_header_bound_e2e PROPERTIES TIMEOUT 240 LABELS "e2e;xvfb" SKIP_RETURN_CODE 77)
endif()
