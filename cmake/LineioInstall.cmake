# Installation: both libraries (versioned, with their SONAME), the header, a
# pkg-config file per library, a CMake package with exported targets, the
# simulation flavour, the tools with their man pages and the udev rule; on
# Windows the DLLs, their .def files and import libraries, and the simulated
# DLLs of the test build (through the package, cmake/LineioPackage.cmake).
#
# Every file belongs to one component, which is one Debian package:
#   kestrel, merlin  the versioned library of each board (libkestrel1, libmerlin1)
#   dev              what a host is built with (lineio-dev)
#   tools            pcidiag, the bus analysers, the demo (lineio-tools)
#   sim              the simulation flavour (lineio-sim)
#   python           the Python module (python3-lineio), only in the package:
#                    pip installs it elsewhere (python/pyproject.toml)
include(CMakePackageConfigHelpers)

if(LINEIO_EMBED_SIMULATOR)
  # The Windows test build: its DLLs are the simulated ones, under sim/.
  set(LINEIO_DLL_DESTINATION sim)
  set(LINEIO_DLL_COMPONENT_kestrel sim)
  set(LINEIO_DLL_COMPONENT_merlin sim)
else()
  set(LINEIO_DLL_DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(LINEIO_DLL_COMPONENT_kestrel kestrel)
  set(LINEIO_DLL_COMPONENT_merlin merlin)
endif()
foreach(board IN ITEMS kestrel merlin)
  install(TARGETS ${board} EXPORT lineioTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${board} NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
    RUNTIME DESTINATION ${LINEIO_DLL_DESTINATION} COMPONENT ${LINEIO_DLL_COMPONENT_${board}})
endforeach()
install(FILES include/lineio.h include/lineio.hpp DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
# lineio::cxx, the header-only C++ interface (cmake/LineioCxx.cmake): no file
# of its own, a target in the CMake package.
install(TARGETS lineio_cxx EXPORT lineioTargets)
install(EXPORT lineioTargets NAMESPACE lineio:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio COMPONENT dev)

configure_package_config_file(cmake/lineioConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lineioConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lineioConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lineioConfig.cmake ${PROJECT_BINARY_DIR}/lineioConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio COMPONENT dev)

# The pkg-config files. On Windows they find the prefix from their own place,
# so that the zip can be unpacked anywhere, and a host links the import
# library (libKestrel.dll.a: -lKestrel). Elsewhere the prefix is the one
# installed to, written when the file is installed (prefix=/usr in the
# Debian packages), and a host links the library itself (-lkestrel).
if(WIN32)
  file(RELATIVE_PATH LINEIO_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
  string(REGEX REPLACE "/$" "" LINEIO_PC_TO_PREFIX "${LINEIO_PC_TO_PREFIX}")
  set(LINEIO_PC_PREFIX "\${pcfiledir}/${LINEIO_PC_TO_PREFIX}")
else()
  set(LINEIO_PC_PREFIX "@LINEIO_PC_PREFIX@")  # kept for the install step
endif()
# One pkg-config file from a template: kestrel.pc and merlin.pc (a board's
# library), lineio-cxx.pc (the C++ interface).
function(lineio_install_pc name template)
  set(pc_destination ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(WIN32)
    configure_file(${template} ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${pc_destination} COMPONENT dev)
  else()
    configure_file(${template} ${PROJECT_BINARY_DIR}/${name}.pc.in @ONLY)
    install(CODE "
      set(LINEIO_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
      set(_pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${pc_destination}/${name}.pc\")
      message(STATUS \"Installing: \${_pc}\")
      configure_file(\"${PROJECT_BINARY_DIR}/${name}.pc.in\" \"\${_pc}\" @ONLY)" COMPONENT dev)
  endif()
endfunction()

foreach(board IN ITEMS kestrel merlin)
  set(LINEIO_PC_LIBRARY ${board})
  get_target_property(LINEIO_PC_LINK_NAME ${board} OUTPUT_NAME)
  if(NOT LINEIO_PC_LINK_NAME)
    set(LINEIO_PC_LINK_NAME ${board})
  endif()
  lineio_install_pc(${board} cmake/lineio.pc.in)
endforeach()
list(TRANSFORM CMAKE_DL_LIBS PREPEND -l OUTPUT_VARIABLE LINEIO_PC_DL_LIBS)
lineio_install_pc(lineio-cxx cmake/lineio-cxx.pc.in)

install(FILES LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT dev)

if(WIN32)
  # The .def files and the MSVC-style import libraries beside the mingw ones,
  # and the notes for Windows hosts at the top of the tree.
  foreach(dll IN ITEMS Kestrel Merlin)
    install(FILES ${PROJECT_BINARY_DIR}/${dll}.def DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
    if(LINEIO_LLVM_DLLTOOL)
      install(FILES ${PROJECT_BINARY_DIR}/${dll}.lib DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
    endif()
  endforeach()
  install(FILES packaging/README-windows.txt DESTINATION . RENAME README.txt COMPONENT dev)
  return()
endif()

# The simulation flavour: the test form of each library as
# <libdir>/lineio/sim/lib<board>.so.1, its SONAME (exports/CMakeLists.txt).
set(LINEIO_SIM_DIR ${CMAKE_INSTALL_LIBDIR}/lineio/sim)
foreach(board IN ITEMS kestrel merlin)
  set(file lib${board}.so.${PROJECT_VERSION_MAJOR})
  install(FILES $<TARGET_FILE:${board}_embedded> DESTINATION ${LINEIO_SIM_DIR} RENAME ${file} COMPONENT sim)
  # install(FILES) does not strip; a stripping install (cpack) strips these as
  # it strips the targets.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${LINEIO_SIM_DIR}/${file}\")
    endif()" COMPONENT sim)
endforeach()

if(TARGET pcidiag)
  # lineio-demo starts lineio-demo-merlin from its own folder for --board merlin.
  install(TARGETS pcidiag lineio-trace-kestrel lineio-trace-merlin lineio-trace-vcd lineio-demo lineio-demo-merlin
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  # The udev rule that lets the group lineio use the boards, and the group
  # itself for systemd-sysusers, which creates it at the next boot (or when
  # run by hand).
  install(FILES platform/linux/60-lineio.rules DESTINATION lib/udev/rules.d COMPONENT tools)
  install(FILES packaging/lineio-sysusers.conf DESTINATION lib/sysusers.d RENAME lineio.conf COMPONENT tools)
endif()

# The Python module in Debian's folder of Python 3 modules, with the metadata
# that pip and importlib.metadata read (the summary from pyproject.toml, the
# version the project's: the Python tests check that lineio/_version.py
# carries it).
set(LINEIO_PYTHON_DIR lib/python3/dist-packages)
install(DIRECTORY python/lineio DESTINATION ${LINEIO_PYTHON_DIR} COMPONENT python EXCLUDE_FROM_ALL
  FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS python/pyproject.toml)
file(STRINGS python/pyproject.toml LINEIO_PYTHON_SUMMARY REGEX "^description = ")
string(REGEX REPLACE "^description = \"(.*)\"$" "\\1" LINEIO_PYTHON_SUMMARY "${LINEIO_PYTHON_SUMMARY}")
set(dist_info ${PROJECT_BINARY_DIR}/python/lineio-${PROJECT_VERSION}.dist-info)
file(REMOVE_RECURSE ${dist_info})  # installed as a whole: nothing from an earlier configuration
file(CONFIGURE OUTPUT ${dist_info}/METADATA CONTENT "Metadata-Version: 2.1
Name: lineio
Version: ${PROJECT_VERSION}
Summary: ${LINEIO_PYTHON_SUMMARY}
License: MIT
Requires-Python: >=3.8
Provides-Extra: numpy
Requires-Dist: numpy ; extra == \"numpy\"
")
file(CONFIGURE OUTPUT ${dist_info}/INSTALLER CONTENT "dpkg\n")
install(DIRECTORY ${dist_info} DESTINATION ${LINEIO_PYTHON_DIR} COMPONENT python EXCLUDE_FROM_ALL)
