# The small windows in-process, each saved as a picture under <build>/screenshots for a person
# to look at. They read the screen back, so the program runs alone.
qm_add_test(app_small_windows_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SmallWindows_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET app_small_windows_tests)
  qm_add_resources(app_small_windows_tests RC ${CMAKE_SOURCE_DIR}/app/Quillmoor.rc)
  target_compile_definitions(app_small_windows_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
