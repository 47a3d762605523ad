# Compiler flags shared by every target of the project.
#
# The transform must round exactly where its algorithm says, so floating-point
# contraction (fused multiply-add) is off everywhere, and 32-bit x86 builds do
# their double arithmetic in SSE2 registers rather than the x87 stack.

set(LINEIO_FP_FLAGS -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND LINEIO_FP_FLAGS -msse2 -mfpmath=sse)
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
