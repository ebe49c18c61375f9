# The task model, its project and failed-address files, and the worker frame (run with stand-ins,
# and the crawl worker's hold of the list mutexes against the private test web server).
qm_add_test(engine_task_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProjectFile_test.cpp ${CMAKE_CURRENT_LIST_DIR}/Task_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CrawlMemory_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
