# The small format classes' tests. Pcx, Tga, Bmp, Ppm and Hostile need nothing of Windows
# beyond the picture model; IconMeta, Eps (metafile preview), CrossCheck and Resources do.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_formats_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/FormatsEnvironment.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
    GLOB
      ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_formats_tests)
    target_compile_definitions(imagelib_formats_tests PRIVATE
      FORMATS_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}" FORMATS_TEST_PYTHON="${QM_PYTHON}")
  endif()
endif()
