# Cross build for 32-bit Windows with mingw-w64 (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LINEIO_MINGW_TRIPLE i686-w64-mingw32)
# Wine's 32-bit loader (Debian: wine32:i386), on machines that run 32-bit code.
set(LINEIO_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/LineioMingw.cmake)

# double means double: SSE2 arithmetic instead of the x87 stack, no fused
# multiply-add.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")

# The .def file names the exports without the @N of __stdcall; the fixup maps
# each name to its decorated symbol without a warning.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
