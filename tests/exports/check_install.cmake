# Installs the build into WORK_DIR/prefix, then builds and runs a C host with
# the CMake package and another one with pkg-config. HOST_FLAGS are the C
# flags of the build under test (a sanitizer build's hosts need its runtime);
# LIBDIR is the libraries' folder below the prefix (lib/<multiarch> on Debian).
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/run_checked.cmake)

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file ${LIBDIR}/libkestrel.so ${LIBDIR}/libmerlin.so include/lineio.h ${LIBDIR}/pkgconfig/kestrel.pc
             ${LIBDIR}/pkgconfig/merlin.pc ${LIBDIR}/cmake/lineio/lineioConfig.cmake)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
run(readelf -d ${prefix}/${LIBDIR}/libkestrel.so)
if(NOT output MATCHES "SONAME[^\n]*libkestrel\\.so\\.1")
  message(FATAL_ERROR "libkestrel.so has no versioned SONAME:\n${output}")
endif()

# The CMake package, asked for both components: a host of each board.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-host -G Ninja -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_C_FLAGS=${HOST_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${HOST_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-host)
foreach(board IN ITEMS kestrel merlin)
  run(${WORK_DIR}/cmake-host/host-${board})
  if(NOT output STREQUAL "123456789: 11 0\n")
    message(FATAL_ERROR "the CMake host of ${board} printed: ${output}")
  endif()
  run(readelf -d ${WORK_DIR}/cmake-host/host-${board})
  if(NOT output MATCHES "NEEDED[^\n]*lib${board}\\.so\\.1")
    message(FATAL_ERROR "the CMake host of ${board} does not load lib${board}.so.1:\n${output}")
  endif()
endforeach()

# A component that lineio does not have: the package is not found, and says
# which components it has.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-eagle -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} "-DLINEIO_COMPONENTS=kestrel;eagle"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "no component eagle: lineio has the components kestrel")
  message(FATAL_ERROR "find_package(lineio COMPONENTS kestrel eagle) gave status ${status}:\n${out}${err}")
endif()

# pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --cflags --libs merlin)
string(STRIP "${output}" flags)
separate_arguments(flags)
separate_arguments(host_flags UNIX_COMMAND "${HOST_FLAGS}")
run(cc ${host_flags} -o ${WORK_DIR}/pc-host ${SOURCE_DIR}/host.c ${flags} -Wl,-rpath,${prefix}/${LIBDIR})
run(${WORK_DIR}/pc-host)
if(NOT output STREQUAL "123456789: 11 0\n")
  message(FATAL_ERROR "the pkg-config host printed: ${output}")
endif()
