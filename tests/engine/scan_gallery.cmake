# The link scanner and the gallery pages: portable, so they also run in the host build.
qm_add_test(engine_scan_gallery_tests NATIVE SOURCES ${CMAKE_CURRENT_LIST_DIR}/HTMLScan_test.cpp ${CMAKE_CURRENT_LIST_DIR}/HTMLGen_test.cpp LIBS qm_engine)
