# GoogleTest for the test suites.
#
# A native build uses the installed package (Debian: libgtest-dev). A cross
# build compiles GoogleTest with its own compiler from the sources that the
# same package ships, and its test programs run under the toolchain's
# emulator (Wine, qemu-i386): ctest lists their tests when it starts, and each
# test program gets the main of tests/cross, which skips by name, with the
# reason printed, the tests of tests/cross/<emulator>.skip that cannot hold
# under that emulator.
include_guard(GLOBAL)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
  return()
endif()

set(LINEIO_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH
  "GoogleTest sources that cross builds compile (Debian: libgtest-dev)")
if(NOT EXISTS ${LINEIO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "no GoogleTest sources in ${LINEIO_GOOGLETEST_SOURCE} (install libgtest-dev)")
endif()
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # A 32-bit Windows build on a machine without Wine's 32-bit loader: its
  # test programs build, but nothing here runs them.
  message(STATUS "No emulator installed for this cross build: ctest cannot run its test programs")
endif()

# All of GoogleTest is one translation unit, compiled without optimisation
# (which would only lengthen the build); its headers are system headers to
# the tests, which are built with warnings as errors.
find_package(Threads REQUIRED)
add_library(lineio_gtest STATIC ${LINEIO_GOOGLETEST_SOURCE}/src/gtest-all.cc)
target_compile_options(lineio_gtest PRIVATE -O0)
target_include_directories(lineio_gtest PRIVATE ${LINEIO_GOOGLETEST_SOURCE})
target_include_directories(lineio_gtest SYSTEM PUBLIC ${LINEIO_GOOGLETEST_SOURCE}/include)
target_link_libraries(lineio_gtest PUBLIC Threads::Threads)
add_library(GTest::gtest ALIAS lineio_gtest)

# The tests that cannot hold under this build's emulator.
if(WIN32)
  set(_skips ${PROJECT_SOURCE_DIR}/tests/cross/wine.skip)
else()
  set(_skips ${PROJECT_SOURCE_DIR}/tests/cross/qemu-i386.skip)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_skips})
file(STRINGS ${_skips} _lines REGEX "^[^#]")
set(_table "")
foreach(line IN LISTS _lines)
  if(NOT line MATCHES "^([^ \t]+)[ \t]+(.+)$")
    message(FATAL_ERROR "${_skips}: \"${line}\" is not \"<test pattern> <reason>\"")
  endif()
  set(_pattern ${CMAKE_MATCH_1})
  string(REPLACE "\\" "\\\\" _reason "${CMAKE_MATCH_2}")
  string(REPLACE "\"" "\\\"" _reason "${_reason}")
  string(APPEND _table "    {\"${_pattern}\", \"${_reason}\"},\n")
endforeach()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/tests/cross/cross_skips.inc
  CONTENT "// Generated from ${_skips}.\n${_table}")

add_library(lineio_cross_gtest_main STATIC ${PROJECT_SOURCE_DIR}/tests/cross/gtest_main.cpp)
target_include_directories(lineio_cross_gtest_main PRIVATE ${PROJECT_BINARY_DIR}/tests/cross)
target_link_libraries(lineio_cross_gtest_main PUBLIC lineio_gtest)
lineio_set_flags(lineio_cross_gtest_main)
add_library(GTest::gtest_main ALIAS lineio_cross_gtest_main)

# Listing the tests needs the emulator, so ctest does it, not the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
