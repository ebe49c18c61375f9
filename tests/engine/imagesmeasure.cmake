# The images library's real measurer (TGif and the scroll box) and the driver's library session.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(engine_imagelib_measure_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ImagesLibraryMeasure_test.cpp
      ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
    LIBS qm_engine qm_imagelib qm_test_support MAIN qm_test_support)
endif()
