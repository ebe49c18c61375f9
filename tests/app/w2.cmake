# The main window: start-up, the task tree and the task commands. The test programs carry the
# program's image strips, as the program does.
qm_add_test(app_main_start_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormStart_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_tasks_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormTasks_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_run_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormRun_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  foreach(t app_main_start_tests app_main_tasks_tests app_main_run_tests)
    qm_add_resources(${t} RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
  endforeach()
endif()
