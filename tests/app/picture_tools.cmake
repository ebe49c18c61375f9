# The picture tools of the main window: the import of ready-made tasks from the web server's
# lists, the collect tool with its load and copy threads, and Delete By with its confirmation
# list. The programs carry the program's image strips and run unmanaged.
qm_add_test(app_delete_by_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeleteByForm_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_collect_tool_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CopyPicturesForm_test.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_import_dialog_tests WINDOW UNMANAGED SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImportProjectsForm_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  foreach(t app_delete_by_tests app_collect_tool_tests app_import_dialog_tests)
    qm_add_resources(${t} RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
  endforeach()
endif()
