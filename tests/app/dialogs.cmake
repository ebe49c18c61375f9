# The task, schedule and options dialogs. The helpers that only compute run in a plain program;
# the dialogs run in windows under Xvfb and answer their own modal boxes from timers. The task and
# options programs check the keyboard focus (and the task program uses the clipboard), so they run
# alone; the shared-page suite runs against both dialogs.
set(dialog_support ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.cpp)

qm_add_test(app_dialog_helpers_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialogHelpers_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_taskform_tests WINDOW UNMANAGED CLIPBOARD INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TaskForm_test.cpp ${dialog_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_optionsform_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionsForm_test.cpp ${dialog_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_optionpages_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionPagesTwin_test.cpp ${dialog_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

# Every page and tab of the dialogs as a picture under <build>/screenshots (read back from the
# screen, so the program runs alone).
qm_add_test(app_dialog_screenshot_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialogScreenshots_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET app_dialog_screenshot_tests)
  target_compile_definitions(app_dialog_screenshot_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
