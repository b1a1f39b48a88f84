# Sources of the calculator's dialogs; Wechsler/CMakeLists.txt compiles them into its core library.
set(WECHSLER_DIALOG_SOURCES)
foreach(dlg frmConfig frmInfo frmXchgRate frmInetAutoUpdate frmInetManualUpdate frmInetError
            frmFileReplace)
  list(APPEND WECHSLER_DIALOG_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${dlg}.h
       ${CMAKE_CURRENT_LIST_DIR}/${dlg}.cpp)
endforeach()
# The information dialog shows the program version (major.minor.revision).
if(DEFINED PROJECT_VERSION AND NOT PROJECT_VERSION STREQUAL "")
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/frmInfo.cpp PROPERTIES
                              COMPILE_DEFINITIONS WECHSLER_VERSION="${PROJECT_VERSION}")
endif()
