# The main window without a tray, on X11 (Xvfb, openbox) and on Wayland (headless weston): hidden, brought back by
# a second start, and a normal top-level window to the window manager; and (geometry) on 1366x768 and 1600x1000
# screens the main and settings windows' frames on the screen, the settings' OK button shown and reached by Tab. Debian's python3; without a desktop tool
# the scripts exit 77: skipped.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    foreach(kind x11 wayland geometry)
        add_test(NAME dravik_window_reach_${kind}_e2e
                 COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/window_reach_e2e.py
                         $<TARGET_FILE:dravik> ${kind})
        set_tests_properties(dravik_window_reach_${kind}_e2e PROPERTIES TIMEOUT 200 LABELS "e2e;xvfb"
                                                                        SKIP_RETURN_CODE 77)
    endforeach()
endif()
if(DRAVIK_DEBIAN_PYTHON)
    # A language change from the tray menu: the program starts itself again and its successor holds the lock.
    add_test(NAME dravik_language_restart_e2e
             COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/language_restart_e2e.py
                     $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_language_restart_e2e PROPERTIES TIMEOUT 200 LABELS "e2e;xvfb" SKIP_RETURN_CODE 77)
endif()
