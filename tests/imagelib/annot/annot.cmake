# Annotations. The text's reader and writer are portable: built and run natively too, under the
# sanitizers. The marks, their handler, the property dialog and the control resizer run in one
# Windows program on the test display, driven by direct calls and by messages.
qm_add_test(imagelib_annot_text_tests NATIVE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AnnotText_test.cpp
  LIBS qm_annot_text qm_rtl)
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_annot_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/AnnotMarks_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/AnnotHandler_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/AnnotDialog_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ControlResizer_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_annot_tests)
    target_compile_definitions(imagelib_annot_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  endif()
endif()
