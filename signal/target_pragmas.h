// Compiles a stretch of a file for an instruction set that the rest of the
// library does not assume: the functions defined between
// LINEIO_TARGET_PUSH("avx2") and LINEIO_TARGET_POP() may use its
// instructions, and may run only where the processor reports it. Standard
// headers are included before the push, so that none of their functions is
// compiled for the instruction set.
#pragma once

#define LINEIO_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define LINEIO_TARGET_PUSH(features) \
  LINEIO_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define LINEIO_TARGET_POP() LINEIO_PRAGMA(clang attribute pop)
#else
#define LINEIO_TARGET_PUSH(features) LINEIO_PRAGMA(GCC push_options) LINEIO_PRAGMA(GCC target(features))
#define LINEIO_TARGET_POP() LINEIO_PRAGMA(GCC pop_options)
#endif
