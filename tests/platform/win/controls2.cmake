# Common controls, scrolling, radio group and image: windows driven by messages under Xvfb.
qm_add_test(win_controls2_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComCtrlsBasic_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Scrolling_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ExtCtrls_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

# The sample form of every control, saved as a picture; it also ends its application by
# closing the main form, so it is a program of its own.
qm_add_test(win_controls_screenshot_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ControlsScreenshot_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

if(TARGET win_controls_screenshot_tests)
  target_compile_definitions(win_controls_screenshot_tests PRIVATE
    QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
