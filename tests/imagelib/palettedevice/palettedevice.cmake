# The palette-device branches of the picture model, on a private 8-bit X screen.
if(NOT QM_NATIVE AND TARGET qm_imagelib)
  add_executable(imagelib_palettedevice_tests
    ${CMAKE_CURRENT_LIST_DIR}/PaletteDevice_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../dib/ImageLibEnvironment.cpp)
  target_link_libraries(imagelib_palettedevice_tests PRIVATE qm_imagelib qm_test_support GTest::gtest)
  add_test(NAME imagelib_palettedevice_tests
    COMMAND ${QM_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/run_on_8bit_display.py ${CMAKE_CROSSCOMPILING_EMULATOR}
            $<TARGET_FILE:imagelib_palettedevice_tests>)
  qm_wine_test(imagelib_palettedevice_tests TIMEOUT 300 LABELS window)
endif()
