# Compiler flags shared by every target of the project.
#
# The transform must round exactly where its algorithm says, so floating-point
# contraction (fused multiply-add) is off everywhere, and 32-bit x86 builds do
# their double arithmetic in SSE2 registers rather than the x87 stack.

set(LINEIO_FP_FLAGS -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND LINEIO_FP_FLAGS -msse2 -mfpmath=sse)
endif()

# A sanitizer build (presets asan, tsan, fuzz): its libraries need the
# sanitizer runtime in every host that loads them, and it keeps freed memory
# on purpose; the tests that cannot hold then are not registered.
if(CMAKE_C_FLAGS MATCHES "-fsanitize" OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(LINEIO_SANITIZED ON)
else()
  set(LINEIO_SANITIZED OFF)
endif()

function(lineio_set_flags target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    ${LINEIO_FP_FLAGS})
  if(LINEIO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Fails the configuration when a target that carries floating-point results
# lacks a flag that keeps them exact.
function(lineio_require_fp_flags target)
  get_target_property(options ${target} COMPILE_OPTIONS)
  foreach(flag IN LISTS LINEIO_FP_FLAGS)
    if(NOT flag IN_LIST options)
      message(FATAL_ERROR "${target} is built without ${flag}")
    endif()
  endforeach()
endfunction()

# Test builds for 32-bit x86 Linux: every export, and every declaration of one,
# takes the __stdcall convention of the 32-bit Windows DLLs (include/lineio.h),
# so that the host program's stack check runs on every export under qemu-i386.
option(LINEIO_STDCALL_EXPORTS "32-bit x86 Linux test build: exports use __stdcall as on 32-bit Windows" OFF)
if(LINEIO_STDCALL_EXPORTS)
  if(WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4 OR NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$")
    message(FATAL_ERROR "LINEIO_STDCALL_EXPORTS is for 32-bit x86 Linux builds")
  endif()
  add_compile_definitions(LINEIO_STDCALL)
endif()
