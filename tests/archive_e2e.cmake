# The real program with its archive under faults: SIGTERM in a large first fill, a locked archive, a full disk.
# Debian's python3, which scripts/install-deps installs, not whichever comes first on PATH; exit status 77 where
# the disk-full case cannot run.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_archive_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/archive_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_archive_e2e PROPERTIES TIMEOUT 400 LABELS e2e SKIP_RETURN_CODE 77)
endif()
