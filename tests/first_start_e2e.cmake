# The first start's steps (language, "where are you", what alerts) answered by real key presses on an Xvfb desktop;
# exits 77 without Xvfb, openbox or xdotool.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_first_start_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON}
                                                 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/first_start_e2e.py $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_first_start_e2e PROPERTIES TIMEOUT 240 LABELS e2e SKIP_RETURN_CODE 77)
endif()
