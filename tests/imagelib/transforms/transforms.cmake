# The picture transforms' tests (Windows; the stretch path draws through GDI).
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  qm_add_test(imagelib_transform_tests WINDOW UNMANAGED
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/Rotate_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Transforms_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/Resize_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/TransformResources_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp
    LIBS qm_imagelib qm_test_support
    MAIN qm_test_support)
endif()
