# The real program on a private X display, its window read through the accessibility bus: a quake near the
# user's place arrives under newer small ones and takes the headline band and the selection; the time from the
# feed's answer to the band is printed. Without a desktop or accessibility tool the script exits 77: skipped.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_headline_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/headline_e2e.py
                                              $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_headline_e2e PROPERTIES TIMEOUT 180 LABELS "e2e;xvfb" SKIP_RETURN_CODE 77)
endif()
