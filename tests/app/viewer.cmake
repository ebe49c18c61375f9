# The picture viewer in-process: its commands by WM_COMMAND, its timer, its error boxes and the
# main window's way in; a second program drives it with real keys and mouse clicks, so it runs
# alone, in both prefixes. Both save screenshots under <build>/screenshots.
qm_add_test(app_viewer_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewImageForm_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_viewer_input_tests WINDOW UNMANAGED INPUT CLASSIC
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerInput_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support
  SHOTS viewer-context-menu)
