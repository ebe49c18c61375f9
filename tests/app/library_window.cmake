# The images library window with its thumbnail grid, and the gallery dialog with its driver, each
# in-process under Xvfb with libraries, pictures and folders the tests make. Both save
# screenshots under <build>/screenshots.
qm_add_test(app_library_window_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageLibraryForm_test.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

# The gallery dialog checks which control has the focus, which needs its window in front: the
# program runs alone, as the other dialog programs that check focus do.
qm_add_test(app_gallery_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/GenHTMLForm_test.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

# The thumbnails under real mouse input (the wheel goes to the window in front): it runs alone.
qm_add_test(app_thumbnail_input_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailInput_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
