# The layer's guards against failures that would otherwise end the program: hidden windows the
# system refuses, on worker threads, in ticks and during the program's end.
include_guard(GLOBAL)

qm_add_test(win_guard_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HiddenWindowFailure_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
