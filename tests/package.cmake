# The Debian package, built once into its own directory and checked with dpkg-deb, lintian, appstreamcli and
# desktop-file-validate. Registered where the Debian tools to build it exist, and not in a sanitized build,
# whose binary is no one's package (the plain build checks it).
find_package(Python3 COMPONENTS Interpreter)
find_program(DRAVIK_DPKG_DEB dpkg-deb)
find_program(DRAVIK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(Python3_Interpreter_FOUND AND DRAVIK_DPKG_DEB AND DRAVIK_DPKG_SHLIBDEPS AND NOT DRAVIK_SANITIZE)
    add_test(NAME dravik_package
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/package/check_package.py ${CMAKE_CPACK_COMMAND}
                     ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/package-check)
    set_tests_properties(dravik_package PROPERTIES TIMEOUT 900 LABELS package)
endif()
