# The real program on a desktop with a window manager and a tray host (Xvfb, openbox, wmsystemtray): fast hide
# and show with real clicks, and its memory shown and hidden to the tray. Debian's python3; without a desktop
# tool the scripts exit 77: skipped.
find_program(DRAVIK_DEBIAN_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
if(DRAVIK_DEBIAN_PYTHON)
    add_test(NAME dravik_tray_wm_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/tray_wm_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_tray_wm_e2e PROPERTIES TIMEOUT 400 LABELS "e2e;xvfb" SKIP_RETURN_CODE 77)
    # Started as the session's autostart entry starts it: straight to the tray, also when the tray host comes late.
    add_test(NAME dravik_autostart_e2e COMMAND ${DRAVIK_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/autostart_e2e.py
                                               $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_autostart_e2e PROPERTIES TIMEOUT 200 LABELS "e2e;xvfb" SKIP_RETURN_CODE 77)
endif()
