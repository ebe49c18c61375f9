# The main window's clock, task end and run queue (w4), closing, the tray and the View, Help and
# Options commands (w4close), and hiding to the tray with several main windows in one process
# (w4hide).
set(w4_programs app_main_w4_tests app_main_w4close_tests app_main_w4hide_tests)
qm_add_test(app_main_w4_tests WINDOW SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_w4close_tests WINDOW SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4Close_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
qm_add_test(app_main_w4hide_tests WINDOW SERVER
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormW4Hide_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/TestServer.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  foreach(t ${w4_programs})
    qm_add_resources(${t} RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
    # A window Wine leaves to the window manager is maximised only by that manager, and the test
    # display has none (hiding it also waits for one): these programs run with Wine managing
    # their windows itself, as Windows does.
    add_test(NAME ${t}_unmanaged
      COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add
              "HKCU\\Software\\Wine\\AppDefaults\\${t}.exe\\X11 Driver" /v Managed /t REG_SZ /d N /f)
    set_tests_properties(${t}_unmanaged PROPERTIES FIXTURES_SETUP ${t}_unmanaged TIMEOUT 60
      ENVIRONMENT "WINEPREFIX=${QM_WINEPREFIX}")
    set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED ${t}_unmanaged FIXTURES_SETUP ${t}_shots)
  endforeach()

  # The pictures a person looks at: the main window with the failed-address panel and the
  # Report tab, the notice on hiding to the tray and the shut-down countdown over the main
  # window, as .png files beside the .bmp files the programs write.
  find_program(QM_MAGICK_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
  if(QM_MAGICK_CONVERT)
    foreach(pair "w4close_tests:w4_main_failed_report" "w4hide_tests:w4_minized_notice"
                 "w4_tests:w4_countdown_over_main")
      string(REPLACE ":" ";" parts ${pair})
      list(GET parts 0 program)
      list(GET parts 1 shot)
      add_test(NAME app_main_${shot}_png
        COMMAND ${QM_MAGICK_CONVERT} ${CMAKE_BINARY_DIR}/screenshots/${shot}.bmp
                ${CMAKE_BINARY_DIR}/screenshots/${shot}.png)
      set_tests_properties(app_main_${shot}_png PROPERTIES
        FIXTURES_REQUIRED app_main_${program}_shots TIMEOUT 60 LABELS window)
    endforeach()
  endif()
endif()
