# The graphics core's tests: colours, drawing objects, canvas, pictures and their registry,
# bitmaps with the .bmp reader and writer, icons and metafiles. Cross-check files come from
# pyhelpers/pictures.py (Pillow and ImageMagick) at test time; the picture of every canvas
# operation goes to <build>/screenshots/graphics.png.

qm_add_test(win_graphics_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Graphics_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/GraphicsThreads_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/GraphicsScreenshot_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Bitmap_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/BitmapFile_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Icon_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Metafile_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Picture_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

if(TARGET win_graphics_tests)
  target_compile_definitions(win_graphics_tests PRIVATE
    QM_GRAPHICS_HELPERS="${CMAKE_CURRENT_LIST_DIR}/pyhelpers"
    QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots"
    QM_ARTWORK_DIR="${QM_ARTWORK_DIR}")
  # The drawn test set (a bitmap strip and an icon) for the resource loaders.
  if(COMMAND qm_add_resources AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/ArtworkTest.rc)
    qm_add_resources(win_graphics_tests RC ${CMAKE_CURRENT_LIST_DIR}/ArtworkTest.rc)
    target_compile_definitions(win_graphics_tests PRIVATE QM_HAVE_TEST_ARTWORK=1)
  endif()
endif()
