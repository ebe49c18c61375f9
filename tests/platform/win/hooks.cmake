# Thread hooks, thread timers, subclassed foreign windows and the test input driver: how the
# command bar framework watches the user-interface thread, and the real input its tests use.
include_guard(GLOBAL)

# Real input (SendInput) to the foreground window: the program runs alone.
qm_add_test(win_hook_input_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThreadHook_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/InputDriver_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

# Thread timers and subclassed windows, driven by messages.
qm_add_test(win_thread_timer_subclass_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThreadTimer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/WindowSubclass_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
