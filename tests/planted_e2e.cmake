# Files planted in the data and cache folders (a FIFO and a link where the tsunami record is written, a tile entry of
# 1 GiB), an id with a NUL, and umask 000. Exit status 77 without dbus-daemon.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_planted_e2e
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/planted_e2e.py $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_planted_e2e PROPERTIES TIMEOUT 180 LABELS e2e SKIP_RETURN_CODE 77)
endif()
