# Settings in the registry and the engine routines. The routines that only compute
# (EngineText) are portable and also belong in the native build.
qm_add_test(engine_text_tests NATIVE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineText_test.cpp
  LIBS qm_engine)
qm_add_test(engine_routines_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineRoutines_test.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
qm_add_test(engine_settings_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegSettings_test.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
