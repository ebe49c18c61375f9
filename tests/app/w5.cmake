# The images pane of the main window and the overwrite question. The pictures are read and
# measured by the image library, started once per test program.
qm_add_test(app_main_images_tests WINDOW
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormImages_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/imagelib/dib/ImageLibEnvironment.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  qm_add_resources(app_main_images_tests RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
endif()

# The pane and its two dialogs as pictures under <build>/screenshots (each window draws its own
# picture, so other windows on the display do not get into it); ImageMagick makes the .png files
# a person looks at.
if(TARGET app_main_images_tests)
  find_program(QM_MAGICK_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
  if(QM_MAGICK_CONVERT)
    set_tests_properties(app_main_images_tests PROPERTIES FIXTURES_SETUP w5_screenshots)
    foreach(shot images-jpeg-preview images-gif-preview overwrite-dialog wallpaper-options)
      add_test(NAME app_main_images_${shot}_png
        COMMAND ${QM_MAGICK_CONVERT} ${CMAKE_BINARY_DIR}/screenshots/${shot}.bmp
                ${CMAKE_BINARY_DIR}/screenshots/${shot}.png)
      set_tests_properties(app_main_images_${shot}_png PROPERTIES
        FIXTURES_REQUIRED w5_screenshots TIMEOUT 60 LABELS window)
    endforeach()
  endif()
endif()
