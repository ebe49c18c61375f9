# The splitter dragged by real mouse input (SendInput) in the foreground window: it runs alone.
qm_add_test(win_splitter_input_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SplitterInput_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
