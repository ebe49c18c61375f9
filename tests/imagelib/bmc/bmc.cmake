# The bitmap codec tests. The native program also runs the Pillow cross-checks (with Debian's
# python3 and the helper scripts beside these sources); the Windows program skips them.
qm_add_test(bmc_tests NATIVE
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BmcCore_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Bmp_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Hostile_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Pcx_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Targa_test.cpp
  LIBS qm_bmc)
if(TARGET bmc_tests)
  target_compile_definitions(bmc_tests PRIVATE
    BMC_TEST_DIR="${CMAKE_CURRENT_LIST_DIR}" BMC_TEST_PYTHON="${QM_PYTHON}")
endif()
