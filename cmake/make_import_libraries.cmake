# The import libraries of one DLL, made after its link from its .def file.
#
#   - MSVC-style <Dll>.lib: short import files, as lib.exe writes them.
#   - 64-bit: the exports have plain names and no calling convention of their
#     own; the .lib is made from the .def as it is, and the linker's own
#     lib<Dll>.dll.a stays.
#   - 32-bit: every export is __stdcall, so a host compiled against lineio.h
#     refers to _PortInit@4, while the DLL exports the plain name PortInit.
#     A second .def names each export with its argument bytes (PortInit@4),
#     read from the symbols of the compiled exports (_PortInit@4); with
#     kill-at, both import libraries map each decorated symbol to the plain
#     exported name: the .lib for MSVC hosts, and lib<Dll>.dll.a for mingw
#     hosts, replacing the linker's, which offers only _PortInit.
#
#   -DDEF=<the .def> -DDLL=<Kestrel.dll> -DMACHINE=i386|i386:x86-64
#   -DOBJECTS=<object files of the exports> -DNM=<mingw nm> -DDLLTOOL=<mingw dlltool>
#   -DLLVM_DLLTOOL=<llvm-dlltool> -DIMPLIB=<lib<Dll>.dll.a> -DMSVC_LIB=<<Dll>.lib>
#   -DSTDCALL_DEF=<the decorated .def to write>
include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

if(NOT MACHINE STREQUAL "i386")
  run(${LLVM_DLLTOOL} -m ${MACHINE} -d ${DEF} -D ${DLL} -l ${MSVC_LIB})
  return()
endif()

# The argument bytes of each export, from its __stdcall symbol.
run(${NM} --defined-only ${OBJECTS})
string(REGEX MATCHALL "T _[A-Za-z0-9_]+@[0-9]+" defined "${output}")
file(STRINGS ${DEF} lines)
set(decorated "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^  ([A-Za-z0-9_]+)$")
    continue()
  endif()
  set(name ${CMAKE_MATCH_1})
  set(symbol ${defined})
  list(FILTER symbol INCLUDE REGEX "^T _${name}@[0-9]+$")
  list(LENGTH symbol count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${DLL}: ${name} is not defined once as __stdcall in the objects (${symbol})")
  endif()
  string(REGEX REPLACE "^T _" "" symbol "${symbol}")
  string(APPEND decorated "  ${symbol}\n")
endforeach()
if(decorated STREQUAL "")
  message(FATAL_ERROR "${DEF} names no export")
endif()
file(WRITE ${STDCALL_DEF} "LIBRARY ${DLL}\nEXPORTS\n${decorated}")

run(${LLVM_DLLTOOL} -m i386 -k -d ${STDCALL_DEF} -D ${DLL} -l ${MSVC_LIB})
run(${DLLTOOL} -k -d ${STDCALL_DEF} -D ${DLL} -l ${IMPLIB})
