// Marks the definition of an exported function. On Windows the .def file names
// the exports; elsewhere the version script does, and it can only export
// symbols that are visible.
#pragma once

#include "lineio.h"

#if defined(_WIN32)
#define LINEIO_EXPORT extern "C"
#else
#define LINEIO_EXPORT extern "C" __attribute__((visibility("default")))
#endif
