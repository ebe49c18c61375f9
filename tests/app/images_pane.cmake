# The images pane of the main window and the overwrite question. The pictures are read and
# measured by the image library, started once per test program.
qm_add_test(app_main_images_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormImages_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  qm_add_resources(app_main_images_tests RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
endif()
