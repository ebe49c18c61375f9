# MDI forms, form designs and designers, help requests, action links and components found by
# name: captioned forms driven by messages under Xvfb.
qm_add_test(win_forms_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FormsMDI_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FormDesign_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ApplicationHelp_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ActionLink_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ComponentLookup_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
