# The task-list import. The records, lists and index are portable and also run in the host build.
# The threads, the registry list and the downloads run under Wine against the private test web
# server.
qm_add_test(engine_import_records_tests NATIVE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImportRecords_test.cpp
  LIBS qm_engine)
# The test server's client is not part of the support library (yet).
qm_add_test(engine_import_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Import_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
