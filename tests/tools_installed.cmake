# Every program the tests, the build and scripts/ run, and every Python module they import, comes from a package
# scripts/install-deps lists: a missing or unlisted one fails here, by name, with the package to add, rather
# than as skipped tests on a clean machine.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_tools_installed
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/package/tools_installed.py
                     --deps ${PROJECT_SOURCE_DIR}/scripts/install-deps)
else()
    add_test(NAME dravik_tools_installed
             COMMAND sh -c "echo 'FAIL: /usr/bin/python3 is missing; add python3 to scripts/install-deps'; exit 1")
endif()
set_tests_properties(dravik_tools_installed PROPERTIES TIMEOUT 60 LABELS "package;deps")
