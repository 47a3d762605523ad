# What a Windows DLL of a board carries beyond its code, and what a host
# links it with:
#   - a version resource (VERSIONINFO) with the project version;
#   - import libraries made from the .def file after the link: the MSVC-style
#     <Dll>.lib and, on 32-bit Windows, the mingw lib<Dll>.dll.a too (see
#     cmake/make_import_libraries.cmake).
# Included from exports/CMakeLists.txt in Windows builds.
enable_language(RC)

# The MSVC-style import libraries are short import files, as lib.exe writes
# them; llvm-dlltool makes them (Debian: llvm-14, which clang-tidy brings).
find_program(LINEIO_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool)
find_program(LINEIO_MINGW_DLLTOOL NAMES ${LINEIO_MINGW_TRIPLE}-dlltool)
find_program(LINEIO_MINGW_NM NAMES ${LINEIO_MINGW_TRIPLE}-nm)
if(NOT LINEIO_LLVM_DLLTOOL)
  message(WARNING "llvm-dlltool not found: the DLLs get no MSVC-style import library (.lib)")
endif()

# The copyright line of the version resource is the one of LICENSE.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE LINEIO_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LINEIO_DLLTOOL_MACHINE i386)
else()
  set(LINEIO_DLLTOOL_MACHINE i386:x86-64)
endif()

function(lineio_windows_dll board dll_name)
  # Version resource: "1.0.0" and 1,0,0,0 from project(VERSION).
  set(LINEIO_RC_DLL ${dll_name})
  set(LINEIO_RC_DESCRIPTION "lineio driver library for the ${dll_name} line-test board")
  set(LINEIO_RC_FLAGS 0)
  set(LINEIO_RC_SPECIAL "")
  if(LINEIO_EMBED_SIMULATOR)
    set(LINEIO_RC_FLAGS VS_FF_SPECIALBUILD)
    set(LINEIO_RC_SPECIAL "      VALUE \"SpecialBuild\", \"simulated board and driver inside, not for real boards\"\n")
    string(APPEND LINEIO_RC_DESCRIPTION " (simulated board)")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/lineio_version.rc.in ${PROJECT_BINARY_DIR}/${dll_name}.rc @ONLY)
  target_sources(${board} PRIVATE ${PROJECT_BINARY_DIR}/${dll_name}.rc)

  if(NOT LINEIO_LLVM_DLLTOOL)
    return()
  endif()
  set(msvc_lib ${PROJECT_BINARY_DIR}/${dll_name}.lib)
  set(stdcall_def ${PROJECT_BINARY_DIR}/${dll_name}-stdcall.def)
  add_custom_command(TARGET ${board} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDEF=${PROJECT_BINARY_DIR}/${dll_name}.def -DDLL=${dll_name}.dll
            -DMACHINE=${LINEIO_DLLTOOL_MACHINE} "-DOBJECTS=$<TARGET_OBJECTS:lineio_core>"
            -DNM=${LINEIO_MINGW_NM} -DDLLTOOL=${LINEIO_MINGW_DLLTOOL} -DLLVM_DLLTOOL=${LINEIO_LLVM_DLLTOOL}
            -DIMPLIB=$<TARGET_LINKER_FILE:${board}> -DMSVC_LIB=${msvc_lib} -DSTDCALL_DEF=${stdcall_def}
            -P ${PROJECT_SOURCE_DIR}/cmake/make_import_libraries.cmake
    BYPRODUCTS ${msvc_lib}
    VERBATIM)
endfunction()
