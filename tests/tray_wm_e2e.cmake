# The real program on a desktop with a window manager and a tray host (Xvfb, openbox, wmsystemtray): fast hide
# and show with real clicks, and its memory shown and hidden to the tray.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    add_test(NAME dravik_tray_wm_e2e COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/tray_wm_e2e.py
                                             $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_tray_wm_e2e PROPERTIES TIMEOUT 400 LABELS "e2e;xvfb")
endif()
# Started as the session's autostart entry starts it: straight to the tray, also when the tray host comes late.
if(Python3_Interpreter_FOUND)
    add_test(NAME dravik_autostart_e2e COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/e2e/autostart_e2e.py
                                               $<TARGET_FILE:dravik>)
    set_tests_properties(dravik_autostart_e2e PROPERTIES TIMEOUT 200 LABELS "e2e;xvfb")
endif()
