# The images library: its records and tolerant reader (portable, also in the host build), and the
# library with its add-picture threads (Windows).
set(qm_imagelib_records_sources ${CMAKE_CURRENT_LIST_DIR}/ImagesLibraryRecords_test.cpp)
if(QM_NATIVE)
  # Until the host build's engine library carries the records, the test brings them itself.
  get_target_property(qm_engine_sources qm_engine SOURCES)
  if(NOT "${CMAKE_SOURCE_DIR}/engine/ImagesLibraryRecords.cpp" IN_LIST qm_engine_sources)
    list(APPEND qm_imagelib_records_sources ${CMAKE_SOURCE_DIR}/engine/ImagesLibraryRecords.cpp)
  endif()
endif()
qm_add_test(engine_imagelib_records_tests NATIVE
  SOURCES ${qm_imagelib_records_sources}
  LIBS qm_engine)
qm_add_test(engine_imagelib_tests WINDOW UNMANAGED
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImagesLibrary_test.cpp
  LIBS qm_engine qm_test_support MAIN qm_test_support)
