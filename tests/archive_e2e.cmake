# The real program with its archive under faults: SIGTERM in a large first fill, a locked archive, a full disk.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME dravik_archive_e2e COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/archive_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_archive_e2e PROPERTIES TIMEOUT 400 LABELS e2e)
endif()
