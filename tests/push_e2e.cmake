# Pushed quakes during a poll that hangs, and a flood of them, with the real program; Debian's python3 has
# websockets (without it the script exits 77: skipped).
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_push_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/push_e2e.py
                                          $<TARGET_FILE:dravik> 30000)
    set_tests_properties(dravik_push_e2e PROPERTIES TIMEOUT 300 LABELS e2e SKIP_RETURN_CODE 77)
endif()
