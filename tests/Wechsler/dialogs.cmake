# Qt Test executables of the calculator's dialogs (included from tests/Wechsler/CMakeLists.txt).
# They run offscreen with the settings store, the program folder's files and the rate file in
# a temporary folder; downloads go to a small HTTP server on 127.0.0.1 inside the test.
if(TARGET wechsler_core)
  foreach(name config info download screens)
    set(exe test_dialogs_${name})
    if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/${exe}.cpp)
      continue()
    endif()
    add_executable(${exe} ${CMAKE_CURRENT_LIST_DIR}/${exe}.cpp
                          ${CMAKE_CURRENT_LIST_DIR}/test_dialogs_support.h)
    set_target_properties(${exe} PROPERTIES AUTOMOC ON)
    target_link_libraries(${exe} PRIVATE wechsler_core Qt6::Test Qt6::Network)
    if(TARGET Tarvon32)
      add_dependencies(${exe} Tarvon32)
    endif()
    add_test(NAME ${exe} COMMAND ${exe})
    set_tests_properties(${exe} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  endforeach()
endif()
