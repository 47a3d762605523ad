# What the two mingw-w64 toolchain files share. The including file sets
# LINEIO_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
#
# The posix thread model is taken because the simulator that the test build
# embeds uses std::mutex and std::condition_variable; everything, the thread
# library included, is linked statically so that the DLLs and the programs
# import nothing but Windows system DLLs.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${LINEIO_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${LINEIO_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${LINEIO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(_lineio_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_lineio_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_lineio_static_runtime}")
# The shipped DLLs carry no symbol table; hosts find the exports by name.
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")

# Test programs run under Wine: ctest starts each one through the loader
# named here, in a Wine prefix of the build's own, with no display and
# without the Mono and Gecko installers that a new prefix would offer.
# LINEIO_WINE_LOADER names the loader: wine64 for 64-bit programs; the 32-bit
# loader runs only on machines that execute 32-bit x86 code.
if(LINEIO_WINE_LOADER AND EXISTS ${LINEIO_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${LINEIO_WINE_LOADER})
endif()
