# The main window's clock, task end and run queue (w4), closing, the tray and the View, Help and
# Options commands (w4close), and hiding to the tray with several main windows in one process
# (w4hide). A window Wine leaves to the window manager is maximised only by that manager, and the
# test display has none: these programs run unmanaged.
set(w4_programs app_main_w4_tests app_main_w4close_tests app_main_w4hide_tests)
qm_add_test(app_main_w4_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_w4close_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4Close_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_w4hide_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4Hide_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  foreach(t ${w4_programs})
    qm_add_resources(${t} RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
  endforeach()
endif()
