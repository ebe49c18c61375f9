# Cross-checks of our readers and writers against Pillow and ImageMagick, and of the check
# tool itself: Python scripts (Debian's python3 with Pillow) that run tools/imgcheck under Wine.
if(NOT QM_NATIVE AND TARGET imgcheck)
  file(GLOB qm_crosscheck_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/test_*.py)
  foreach(script ${qm_crosscheck_scripts})
    get_filename_component(stem ${script} NAME_WE)
    string(REPLACE "test_" "imagelib_crosscheck_" tname ${stem})
    add_test(NAME ${tname}
      COMMAND ${QM_PYTHON} ${script} $<TARGET_FILE:imgcheck> ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
    qm_wine_test(${tname} TIMEOUT 600 LABELS window)
  endforeach()
endif()
