# Cross build for 32-bit x86 Linux (Debian: g++-i686-linux-gnu), run under
# qemu-i386 (Debian: qemu-user). It executes the library's 32-bit code on
# machines whose kernel runs 64-bit programs only: the same arithmetic, record
# layouts and, with LINEIO_STDCALL_EXPORTS, the calling convention of the
# 32-bit Windows DLLs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LINEIO_LINUX_TRIPLE i686-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${LINEIO_LINUX_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LINEIO_LINUX_TRIPLE}-g++ REQUIRED)

# The cross compiler's own C library and runtime live here.
set(LINEIO_LINUX_SYSROOT /usr/${LINEIO_LINUX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${LINEIO_LINUX_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# double means double: SSE2 arithmetic instead of the x87 stack, no fused
# multiply-add.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")

# ctest runs each test program through qemu-i386, which finds the dynamic
# loader in the cross compiler's tree. The libraries are searched there first
# too: on a machine with the i386 architecture the loader would otherwise
# find that C library, of another build than itself.
find_program(LINEIO_QEMU_I386 qemu-i386)
if(LINEIO_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${LINEIO_QEMU_I386} -L ${LINEIO_LINUX_SYSROOT} -E LD_LIBRARY_PATH=${LINEIO_LINUX_SYSROOT}/lib)
endif()
