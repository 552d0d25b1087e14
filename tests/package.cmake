# The Debian package, built once into its own directory and checked with dpkg-deb, lintian, appstreamcli and
# desktop-file-validate (without one of them the script exits 77: skipped). Registered where the Debian tools
# to build it exist, and not in a sanitized build, whose binary is no one's package (the plain build checks it).
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
find_program(DRAVIK_DPKG_DEB dpkg-deb)
find_program(DRAVIK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DRAVIK_DEBIAN_PYTHON AND DRAVIK_DPKG_DEB AND DRAVIK_DPKG_SHLIBDEPS AND NOT DRAVIK_SANITIZE)
    add_test(NAME dravik_package
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/package/check_package.py ${CMAKE_CPACK_COMMAND}
                     ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/package-check)
    set_tests_properties(dravik_package PROPERTIES TIMEOUT 900 LABELS package SKIP_RETURN_CODE 77)
endif()
