# Window handles of controls (the window steps, two windows for one control) and the messages
# controls perform on each other: windows driven by messages under Xvfb.
qm_add_test(win_control_windows_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ControlHandles_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ControlMessages_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

# The application hint following the resting mouse, moved by real input (SendInput): it runs alone.
qm_add_test(win_hint_input_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ApplicationHint_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
