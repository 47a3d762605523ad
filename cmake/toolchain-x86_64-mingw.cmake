# Cross build for 64-bit Windows with mingw-w64
# (Debian: g++-mingw-w64-x86-64-posix). The exports have no calling
# convention of their own on x64 and plain names.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LINEIO_MINGW_TRIPLE x86_64-w64-mingw32)
# Debian's wine64 package keeps its loader off the PATH.
set(LINEIO_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/LineioMingw.cmake)

# No fused multiply-add: the transform rounds where its algorithm says.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off")
