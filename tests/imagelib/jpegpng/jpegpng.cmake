# The JPEG and PNG format tests. JpegAndPng_test, Jpeg_test, Png_test and Threads_test need
# nothing of Windows beyond the picture model; the cross-checks, the warning box and the
# resource counts do.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_jpegpng_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_SOURCE_DIR}/dib/ImageLibEnvironment.cpp
      ${CMAKE_CURRENT_LIST_DIR}/PngSilence.cpp
      ${CMAKE_CURRENT_LIST_DIR}/JpegAndPng_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Jpeg_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Png_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Threads_test.cpp
    GLOB
      ${CMAKE_CURRENT_LIST_DIR}/CrossCheck_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/WarningBox_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Resources_test.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_jpegpng_tests)
    target_compile_definitions(imagelib_jpegpng_tests PRIVATE
      JPEGPNG_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}" JPEGPNG_TEST_PYTHON="${QM_PYTHON}")
  endif()
endif()
