# The shared test support's own tests: pixels and screenshots, the leak probe and the crash report
# (one program, run alone: it reads the screen under its windows),
# and the two Wine profiles (a CLASSIC program: once in each prefix).

qm_add_test(win_test_support_tests WINDOW UNMANAGED ALONE SHOTS ring-popup
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Screenshot_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ResourceProbe_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/CrashReport_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
if(TARGET win_test_support_tests)
  # The picture test runs the run's .png post-step on its own picture and reads the result.
  target_compile_definitions(win_test_support_tests PRIVATE
    QM_PYTHON="${QM_PYTHON}" QM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()

qm_add_test(win_wine_profile_tests WINDOW UNMANAGED CLASSIC SHOTS wine-profile-button
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WineProfile_test.cpp
  LIBS qm_win qm_test_support uxtheme MAIN qm_test_support)
