# GIF tests: the Windows program (TGif with bitmaps, palettes, threads, resources and the Pillow
# and ImageMagick cross-checks) and the native program for the portable LZW coder and parser.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_gif_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/Gif_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/GifThreads_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_gif_tests)
    target_compile_definitions(imagelib_gif_tests PRIVATE GIF_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}")
  endif()
endif()
qm_add_test(gif_codec_tests NATIVE
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/GifCodec_test.cpp
    ${CMAKE_SOURCE_DIR}/imagelib/GifCodec.cpp
  LIBS qm_rtl)
if(TARGET gif_codec_tests)
  target_compile_definitions(gif_codec_tests PRIVATE GIF_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}"
    GIF_TEST_PYTHON="${QM_PYTHON}")
endif()
