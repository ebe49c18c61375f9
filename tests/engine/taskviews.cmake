# The task views bound to real list views and a rich edit, and the import's tree bound to a real
# tree view (run against the private test web server).
qm_add_test(engine_task_view_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TaskViewControls_test.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
qm_add_test(engine_import_tree_view_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImportTreeView_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
# The engine driver's hidden window read back through its real views.
if(NOT QM_NATIVE AND TARGET engine_driver)
  add_test(NAME engine_driver_views
    COMMAND ${QM_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/driver_views.py $<TARGET_FILE:engine_driver>
            ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
  qm_wine_test(engine_driver_views TIMEOUT 600 LABELS window server)
endif()
