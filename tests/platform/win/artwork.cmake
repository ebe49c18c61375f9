# Platform test programs of timers, the screen, image lists, the clipboard and the build-time
# artwork. Each links the drawn test resources (cmake/Resources.cmake).
# Once only, whichever of tests/ and tests/platform/win/ includes the groups first.
include_guard(GLOBAL)

set(QM_TEST_RC ${CMAKE_CURRENT_LIST_DIR}/ArtworkTest.rc)

qm_add_test(win_timer_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Timer_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)

qm_add_test(win_screen_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Screen_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
qm_add_resources(win_screen_tests RC ${QM_TEST_RC})

qm_add_test(win_artwork_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Artwork_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
qm_add_resources(win_artwork_tests RC ${QM_TEST_RC})
# The picture of all the artwork, for a person to look at: written under Wine's Z: drive.
target_compile_definitions(win_artwork_tests PRIVATE "QM_SCREENSHOT_DIR=\"Z:${CMAKE_BINARY_DIR}/screenshots\"")

# The artwork script's own tests run with Debian's Python (its Pillow reads the files back).
add_test(NAME make_resources_py
  COMMAND ${QM_PYTHON} -m unittest -q test_make_resources
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/tools)
set_tests_properties(make_resources_py PROPERTIES TIMEOUT 120 LABELS artwork)

qm_add_test(win_imagelist_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageList_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
qm_add_resources(win_imagelist_tests RC ${QM_TEST_RC})

qm_add_test(win_clipboard_tests WINDOW UNMANAGED CLIPBOARD
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Clipboard_test.cpp
  LIBS qm_win qm_test_support MAIN qm_test_support)
