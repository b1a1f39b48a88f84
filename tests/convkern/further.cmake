# Tests of the four-decimal conversion (A1, A5), balancing (B1) and smoothing (G1).
if(TARGET convkern)
  find_package(Threads REQUIRED)
  foreach(name a1 b1 g1)
    add_executable(test_further_${name} ${CMAKE_CURRENT_LIST_DIR}/test_further_${name}.cpp)
    target_include_directories(test_further_${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}
                                                            ${PROJECT_SOURCE_DIR}/include)
    target_link_libraries(test_further_${name} PRIVATE convkern GTest::gtest_main
                                                           Threads::Threads)
    gtest_discover_tests(test_further_${name} DISCOVERY_TIMEOUT 60)
  endforeach()
endif()
