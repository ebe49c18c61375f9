# The TIFF format tests. TiffRead_test and TiffWrite_test need nothing of Windows beyond the
# picture model; the cross-checks run Pillow on the host and the resource counts ask GDI.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_tiff_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
      ${CMAKE_CURRENT_LIST_DIR}/TiffEnvironment.cpp
    GLOB
      ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp
    LIBS qm_imagelib qm_tiff qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_tiff_tests)
    target_compile_definitions(imagelib_tiff_tests PRIVATE
      TIFF_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}" TIFF_TEST_PYTHON="/usr/bin/python3")
  endif()
endif()
