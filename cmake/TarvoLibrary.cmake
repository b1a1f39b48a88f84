# SPDX-License-Identifier: Apache-2.0
# tarvo_shared_library(target mapfile): the common settings of the shared libraries.
# - soname lib<name>.so.<major>, file lib<name>.so.<version>;
# - the version script <mapfile> names what the library exports and gives every exported
#   symbol its version node; anything else stays local;
# - the link fails on undefined symbols and keeps the symbols of static helpers inside.
# Call it after add_library(<target> SHARED ...).
function(tarvo_shared_library target mapfile)
  get_filename_component(map "${mapfile}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT EXISTS "${map}")
    message(FATAL_ERROR "${target}: version script ${map} is missing")
  endif()
  target_link_options(${target} PRIVATE ${TARVO_SHARED_LINK_OPTIONS} "-Wl,--version-script=${map}")
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    LINK_DEPENDS "${map}")
endfunction()

# tarvo_build_runpath(dir...): the programs and shared libraries defined in these folders get
# the build-tree RUNPATH $ORIGIN/../lib (programs lie in bin/, libraries in lib/, so it serves
# both) as given, not computed. A computed build RUNPATH of a target with an install rule ends
# in empty entries, the room CMake keeps for rewriting it at install time, and an empty entry
# makes the loader search the current folder.
function(tarvo_build_runpath)
  foreach(dir ${ARGN})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
      get_target_property(type ${t} TYPE)
      if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "EXECUTABLE")
        set_target_properties(${t} PROPERTIES BUILD_WITH_INSTALL_RPATH ON
                                              INSTALL_RPATH "\$ORIGIN/../lib")
      endif()
    endforeach()
  endforeach()
endfunction()

# tarvo_install_without_runpath(): the last install rule; it takes the RUNPATH out of every
# program and library installed before it, so that installed files use the system's search
# path only.
function(tarvo_install_without_runpath)
  install(CODE [[
    foreach(f IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
      set(p "$ENV{DESTDIR}${f}")
      if(EXISTS "${p}" AND NOT IS_SYMLINK "${p}" AND NOT IS_DIRECTORY "${p}")
        file(READ "${p}" magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
          file(RPATH_REMOVE FILE "${p}")
        endif()
      endif()
    endforeach()
  ]])
endfunction()
