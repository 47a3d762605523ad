# Cross build for 32-bit Windows with mingw-w64 (Debian: g++-mingw-w64-i686).
#
# The posix thread model is taken because the simulator that the test build
# embeds uses std::mutex and std::condition_variable; everything, the thread
# library included, is linked statically so that the DLLs and the host program
# import nothing but Windows system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LINEIO_MINGW_TRIPLE i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${LINEIO_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${LINEIO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# double means double: SSE2 arithmetic instead of the x87 stack, no fused
# multiply-add.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")

# The .def file names the exports without the @N of __stdcall; the fixup maps
# each name to its decorated symbol without a warning.
set(_lineio_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_lineio_static_runtime} -Wl,--enable-stdcall-fixup")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_lineio_static_runtime}")
# The shipped DLLs carry no symbol table; hosts find the exports by name.
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")
