# The engine driver (a console PE program), the crawl's rule tests, and the Python suites that
# run the driver under Wine.
if(NOT QM_NATIVE)
  if(NOT TARGET engine_driver)
    add_executable(engine_driver ${CMAKE_SOURCE_DIR}/tools/engine_driver/main.cpp)
    target_link_libraries(engine_driver PRIVATE qm_engine)
  endif()
  qm_add_test(engine_crawl_rule_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/CrawlRules_test.cpp
    LIBS qm_engine qm_test_support MAIN qm_test_support)
  include(${CMAKE_CURRENT_LIST_DIR}/crawl/crawl.cmake)
endif()
