# Controls, forms and standard controls: windows driven by messages under Xvfb.
qm_add_test(win_controls_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Controls_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Forms_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Actions_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Menus_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ControlMap_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

# Ends its application with WM_QUIT: a program of its own.
qm_add_test(win_controls_quit_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Forms_quit_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
