# The main window: start-up, the task tree and the task commands; its clock, a task's end and
# the run queue; closing, the tray and the View, Help and Options commands; and hiding to the tray
# with several main windows in one process. The test programs carry the program's image strips,
# as the program does. A window Wine leaves to the window manager is maximised only by that
# manager, and the test display has none: these programs run unmanaged.
qm_add_test(app_main_start_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormStart_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_tasks_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormTasks_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_run_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormRun_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_clock_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormClock_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_close_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormClose_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_hide_tests WINDOW SERVER UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormHide_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  foreach(t app_main_start_tests app_main_tasks_tests app_main_run_tests
            app_main_clock_tests app_main_close_tests app_main_hide_tests)
    qm_add_resources(${t} RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
  endforeach()
endif()
