# The common controls, dialogs and shell helpers: windows driven by messages under Xvfb.
qm_add_test(win_commoncontrols_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TreeView_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ListView_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/StatusBar_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/Tabs_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ToolBar_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
# Wine's rich edit takes its time over 100,000 lines: a program of its own.
qm_add_test(win_richedit_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RichEdit_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
qm_add_test(win_dialogs_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Dialogs_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ShellUtils_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

# The sample main-window layout goes to <build>/screenshots/common-controls.png for a look.
if(TARGET win_commoncontrols_tests)
  target_compile_definitions(win_commoncontrols_tests PRIVATE
    QM_GRAPHICS_HELPERS="${CMAKE_CURRENT_LIST_DIR}/pyhelpers"
    QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
