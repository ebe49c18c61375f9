# The crawl's acceptance suite: Python scripts that run the engine driver under Wine against
# a private test web server.
file(GLOB qm_crawl_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/test_*.py)
foreach(script ${qm_crawl_scripts})
  get_filename_component(stem ${script} NAME_WE)
  set(tname engine_crawl_${stem})
  string(REPLACE "engine_crawl_test_" "engine_crawl_" tname ${tname})
  add_test(NAME ${tname}
    COMMAND ${QM_PYTHON} ${script} $<TARGET_FILE:engine_driver> ${CMAKE_SOURCE_DIR}/tools/wine-run.sh)
  qm_wine_test(${tname} TIMEOUT 600 LABELS window server)
endforeach()
