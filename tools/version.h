// The version that every tool prints for --version: the project version of
// CMake's project(VERSION), which tools/CMakeLists.txt hands to the tools'
// compilation as LINEIO_VERSION, so that it is written down in one place.
#pragma once

#include <cstdio>

#ifndef LINEIO_VERSION
#error "LINEIO_VERSION comes from the project version (tools/CMakeLists.txt)"
#endif

namespace lineio::tools {

constexpr char Version[] = LINEIO_VERSION;

// The answer to --version: "<program> (lineio) <version>".
inline void PrintVersion(const char* program) { std::printf("%s (lineio) %s\n", program, Version); }

}  // namespace lineio::tools
