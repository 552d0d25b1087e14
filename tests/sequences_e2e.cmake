# A main shock revised, then its aftershocks one a cycle: its notice updated in place, one card a sequence.
# Debian's python3 with dbus and gi; without them, or without dbus-daemon, the script exits 77.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_sequences_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/sequences_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_sequences_e2e PROPERTIES TIMEOUT 180 LABELS e2e SKIP_RETURN_CODE 77)
endif()
