# The task model, its project and failed-address files, and the worker frame (run with stand-ins).
qm_add_test(engine_task_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProjectFile_test.cpp ${CMAKE_CURRENT_LIST_DIR}/Task_test.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
