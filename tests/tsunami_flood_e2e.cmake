# A tsunami feed that changes at every read: a few notices and a summary a read, the genuine warning told once.
# Debian's python3 with dbus and gi; without them, or without dbus-daemon, the script exits 77.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_tsunami_flood_e2e
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/tsunami_flood_e2e.py $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_tsunami_flood_e2e PROPERTIES TIMEOUT 240 LABELS e2e SKIP_RETURN_CODE 77)
endif()
