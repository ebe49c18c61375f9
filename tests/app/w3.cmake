# The task, schedule and options dialogs. The helpers that only compute run in a plain program;
# the dialogs run in windows under Xvfb and answer their own modal boxes from timers. The task and
# options programs check the keyboard focus (and the task program uses the clipboard), so they run
# alone; the shared-page suite runs against both dialogs.
set(w3_support ${CMAKE_CURRENT_LIST_DIR}/W3Support.cpp)

qm_add_test(app_w3_helpers_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W3Helpers_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_taskform_tests WINDOW UNMANAGED CLIPBOARD INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TaskForm_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_optionsform_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionsForm_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

qm_add_test(app_w3_optionpages_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OptionPagesTwin_test.cpp ${w3_support}
  LIBS qm_app qm_test_support MAIN qm_test_support)

# Every page and tab of the dialogs as a picture under <build>/screenshots (read back from the
# screen, so the program runs alone).
qm_add_test(app_w3_screenshot_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W3Screenshot_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET app_w3_screenshot_tests)
  target_compile_definitions(app_w3_screenshot_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
