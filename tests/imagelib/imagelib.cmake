# The picture model's tests (Windows; they need a display for drawing and the clipboard).
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_dib_tests WINDOW UNMANAGED CLIPBOARD
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/dib/ImageLibEnvironment.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dib/Dib_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dib/DibGdi_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dib/ImgMisc_test.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
endif()
