# The main window's command bars: their design read through the manager, the
# toolbar switch, drawn enabling and ticks, the reset to the design and the GDI cost of menus (its
# menus close when another program takes the foreground, so it runs alone); a second program
# drives them with real keys and mouse clicks (alone, in both prefixes) and saves screenshots of
# the open menus and the hint.
qm_add_test(app_main_bars_tests WINDOW UNMANAGED ALONE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormBars_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support)
if(NOT QM_NATIVE)
  qm_add_resources(app_main_bars_tests RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
endif()

qm_add_test(app_main_bars_input_tests WINDOW UNMANAGED INPUT CLASSIC
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormBarsInput_test.cpp
  LIBS qm_app qm_test_support MAIN qm_test_support
  SHOTS main-tree-popup main-toolbar-hint main-image-menu main-toolbar-hot main-tasks-menu)
if(NOT QM_NATIVE)
  qm_add_resources(app_main_bars_input_tests RC ${CMAKE_SOURCE_DIR}/resources/MainWindow.rc)
endif()
