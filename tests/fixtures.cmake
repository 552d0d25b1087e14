# The test data is compared byte for byte: a checkout that converted line ends or lost a file fails here, by
# name, before the tests that read it do.
find_program(DRAVIK_SHA256SUM sha256sum)
if(DRAVIK_SHA256SUM)
    add_test(NAME fixtures_sqlite2_checksums COMMAND ${DRAVIK_SHA256SUM} --check --strict SHA256SUMS
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/sqlite2)
endif()
