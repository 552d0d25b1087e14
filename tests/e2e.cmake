# The real program, offscreen, against pages served on 127.0.0.1: one polling cycle, the rows it stored, and
# a clean end on SIGTERM.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME dravik_e2e COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/dravik_e2e.py
                                     $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_e2e PROPERTIES TIMEOUT 180 LABELS e2e)
endif()
