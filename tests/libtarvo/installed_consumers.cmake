# SPDX-License-Identifier: Apache-2.0
# Installs the build tree into a temporary prefix, then builds and runs two programs against
# it: one with `pkg-config --cflags --libs tarvo`, one with CMake's find_package(Tarvo).
# Arguments (-D): BUILD_DIR, SOURCE_DIR, WORK, CC, LIBDIR, FLAGS (compiler and linker flags
# the build itself uses, e.g. sanitizers; may be empty).
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${rc}):\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
# Installed libraries carry no RUNPATH: outside the system's library folder the loader finds
# libtarvo's own dependencies through LD_LIBRARY_PATH only.
set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})

# pkg-config, from the installed file alone.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --cflags --libs tarvo)
string(STRIP "${OUT}" pc)
separate_arguments(pc UNIX_COMMAND "${pc}")
foreach(lib decarith ctrldata convkern Tarvon32)
  run(pkg-config --exists --print-errors ${lib})
endforeach()
run(${CC} ${flags} ${SOURCE_DIR}/examples/tarvo_convert.c ${pc} -Wl,-rpath,${prefix}/${LIBDIR}
    -o ${WORK}/with_pkgconfig)
run(${WORK}/with_pkgconfig 100 DEM EUR 2001-06-15)
if(NOT OUT MATCHES "100 DEM = 51.13 EUR \\(rate 1.9558300 fixed, rounding difference -0.000812, U1")
  message(FATAL_ERROR "pkg-config program printed: ${OUT}")
endif()

# CMake consumer.
file(WRITE ${WORK}/consumer/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(Tarvo 1.0 REQUIRED)
add_executable(with_cmake ${SOURCE_DIR}/examples/tarvo_convert.c)
target_link_libraries(with_cmake PRIVATE Tarvo::tarvo)
")
run(${CMAKE_COMMAND} -S ${WORK}/consumer -B ${WORK}/consumer/build -DCMAKE_C_COMPILER=${CC}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_C_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK}/consumer/build)
run(${WORK}/consumer/build/with_cmake 1000 EUR ITL 20010615)
if(NOT OUT MATCHES "1000 EUR = 1936270 ITL")
  message(FATAL_ERROR "CMake program printed: ${OUT}")
endif()
file(REMOVE_RECURSE ${WORK})
