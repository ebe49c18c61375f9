# The task, schedule and options dialogs. The helpers that only compute run in a plain program;
# the dialogs run in windows under Xvfb and answer their own modal boxes from timers. The task and
# options programs check the keyboard focus (and the task program uses the clipboard), so they run
# alone; the shared-page suite runs against both dialogs.
set(w3_support ${CMAKE_CURRENT_LIST_DIR}/W3Support.cpp)

qm_add_test(app_w3_helpers_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W3Helpers_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_taskform_tests WINDOW CLIPBOARD INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TaskForm_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_optionsform_tests WINDOW INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionsForm_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_optionpages_tests WINDOW
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionPagesTwin_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

# Every page and tab of the dialogs as a picture under <build>/screenshots (read back from the
# screen, so the program runs alone); ImageMagick makes the .png files a person looks at.
qm_add_test(app_w3_screenshot_tests WINDOW INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W3Screenshot_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET app_w3_screenshot_tests)
  target_compile_definitions(app_w3_screenshot_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  find_program(QM_MAGICK_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
  if(QM_MAGICK_CONVERT)
    set_tests_properties(app_w3_screenshot_tests PROPERTIES FIXTURES_SETUP w3_screenshots)
    foreach(shot task_General task_Web_site task_Scheme task_Name_and_URL task_Note
                 options_1 options_2 options_3 options_4 options_5 options_6 options_7
                 scheme addfilemask addfile)
      add_test(NAME app_w3_screenshot_${shot}_png
        COMMAND ${QM_MAGICK_CONVERT} ${CMAKE_BINARY_DIR}/screenshots/w3_${shot}.bmp
                ${CMAKE_BINARY_DIR}/screenshots/w3_${shot}.png)
      set_tests_properties(app_w3_screenshot_${shot}_png PROPERTIES
        FIXTURES_REQUIRED w3_screenshots TIMEOUT 60 LABELS window)
    endforeach()
  endif()
endif()
