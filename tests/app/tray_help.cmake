# Tests of the tray icon and the help loader.
include_guard(GLOBAL)


# The tray component: a recording notify call, its mouse messages and its menu.
qm_add_test(app_tray_icon_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TrayIcon_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)

# The help loader against two stand-ins for the system's help library, each named HHCTRL.OCX in
# a folder of its own: one recording its calls, one without the "HtmlHelpA" entry.
foreach(kind good noexport)
  if(kind STREQUAL good)
    set(src ${CMAKE_CURRENT_LIST_DIR}/HelpLibraryStandIns/HhCtrl.c)
  else()
    set(src ${CMAKE_CURRENT_LIST_DIR}/HelpLibraryStandIns/NoExport.c)
  endif()
  add_library(hhctrl_standin_${kind} SHARED ${src})
  set_target_properties(hhctrl_standin_${kind} PROPERTIES PREFIX "" OUTPUT_NAME HHCTRL SUFFIX ".OCX"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hh_standin_${kind}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hh_standin_${kind}_lib)
  # Undecorated names ("HtmlHelpA", not "HtmlHelpA@16"), as the system library exports them.
  target_link_options(hhctrl_standin_${kind} PRIVATE -Wl,--kill-at -static-libgcc)
endforeach()

qm_add_test(app_html_help_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HtmlHelp_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(TARGET app_html_help_tests)
  add_dependencies(app_html_help_tests hhctrl_standin_good hhctrl_standin_noexport)
  target_compile_definitions(app_html_help_tests PRIVATE
    QM_HH_GOOD_DIR="${CMAKE_CURRENT_BINARY_DIR}/hh_standin_good"
    QM_HH_NOEXPORT_DIR="${CMAKE_CURRENT_BINARY_DIR}/hh_standin_noexport")
  # Wine would hand out its own built-in hhctrl.ocx for any HHCTRL.OCX: the tests' files first.
  set_property(TEST app_html_help_tests APPEND PROPERTY ENVIRONMENT "QM_WINE_DLLOVERRIDES=hhctrl.ocx=n")
endif()
