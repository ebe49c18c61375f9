# Tests of the tray icon, the small windows and the help loader.
include_guard(GLOBAL)


# The tray component: a recording notify call, its mouse messages and its menu.
qm_add_test(w1_taskbar_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W1Taskbar_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

# The help loader against two stand-ins for the system's help library, each named HHCTRL.OCX in
# a folder of its own: one recording its calls, one without the "HtmlHelpA" entry.
foreach(kind good noexport)
  if(kind STREQUAL good)
    set(src ${CMAKE_CURRENT_LIST_DIR}/W1HhCtrl/HhCtrl.c)
  else()
    set(src ${CMAKE_CURRENT_LIST_DIR}/W1HhCtrl/NoExport.c)
  endif()
  add_library(w1_hhctrl_${kind} SHARED ${src})
  set_target_properties(w1_hhctrl_${kind} PROPERTIES PREFIX "" OUTPUT_NAME HHCTRL SUFFIX ".OCX"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/w1_hh_${kind}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/w1_hh_${kind}_lib)
  # Undecorated names ("HtmlHelpA", not "HtmlHelpA@16"), as the system library exports them.
  target_link_options(w1_hhctrl_${kind} PRIVATE -Wl,--kill-at -static-libgcc)
endforeach()

qm_add_test(w1_help_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W1Help_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET w1_help_tests)
  add_dependencies(w1_help_tests w1_hhctrl_good w1_hhctrl_noexport)
  target_compile_definitions(w1_help_tests PRIVATE
    QM_HH_GOOD_DIR="${CMAKE_CURRENT_BINARY_DIR}/w1_hh_good"
    QM_HH_NOEXPORT_DIR="${CMAKE_CURRENT_BINARY_DIR}/w1_hh_noexport")
  # Wine would hand out its own built-in hhctrl.ocx for any HHCTRL.OCX: the tests' files first.
  set_property(TEST w1_help_tests APPEND PROPERTY ENVIRONMENT "QM_WINE_DLLOVERRIDES=hhctrl.ocx=n")
endif()

# The small windows in-process, each saved as a picture under <build>/screenshots for a person
# to look at. They read the screen back, so the program runs alone.
qm_add_test(w1_windows_tests WINDOW UNMANAGED INPUT
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/W1Windows_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET w1_windows_tests)
  qm_add_resources(w1_windows_tests RC ${CMAKE_SOURCE_DIR}/app/Quillmoor.rc)
  target_compile_definitions(w1_windows_tests PRIVATE QM_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
endif()
