# The scroll box tests: one Windows program on the test display, with the program's cursors
# linked in (the library registers them as screen cursors at its start).
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_imgscroll_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ImgScroll_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ImgScrollMouse_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/ImgScrollThreads_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
  if(TARGET imagelib_imgscroll_tests AND COMMAND qm_add_resources)
    qm_add_resources(imagelib_imgscroll_tests RC ${CMAKE_CURRENT_LIST_DIR}/ImgScrollTest.rc)
  endif()
endif()
