# The Debian packages: one per install component (cmake/LineioInstall.cmake).
#
#   libkestrel1, libmerlin1  the versioned libraries in the multiarch folder;
#                            shlibs and an ldconfig trigger, as Debian's own
#                            library packages have; no maintainer script
#   lineio-dev               header, .so links, pkg-config files, CMake
#                            package, lineio(3), the reference; needs both
#                            libraries of the same version
#   lineio-tools             pcidiag, the bus analysers, the demo, their man
#                            pages, the udev rule and the group for it, which
#                            its postinst creates (packaging/)
#   lineio-sim               the simulation flavour in <libdir>/lineio/sim
#   python3-lineio           the Python module (architecture all); its
#                            postinst and prerm compile and remove its byte
#                            code as Debian's Python packages do
#
# Each has a copyright file and a changelog (a native package's
# changelog.gz), as lintian asks; the test command runs lintian on them
# (tests/packaging/check_debian_packages.sh).
# The libraries' dependencies on the system's are found by dpkg-shlibdeps:
# for the tools and the flavour by cpack itself, for the two libraries in
# cmake/LineioCPackProject.cmake.in (cpack's own lookup would add a
# postinst, which the trigger replaces).
set(CPACK_DEB_COMPONENT_INSTALL ON)
# The first line of each component's description is its package's summary
# (an empty project summary keeps cpack from putting its own in front).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(major ${PROJECT_VERSION_MAJOR})
set(LINEIO_DEB_PACKAGE_kestrel libkestrel${major})
set(LINEIO_DEB_PACKAGE_merlin libmerlin${major})
set(LINEIO_DEB_PACKAGE_dev lineio-dev)
set(LINEIO_DEB_PACKAGE_tools lineio-tools)
set(LINEIO_DEB_PACKAGE_sim lineio-sim)
set(LINEIO_DEB_PACKAGE_python python3-lineio)
set(CPACK_COMPONENTS_ALL kestrel merlin dev sim python)
if(TARGET pcidiag)
  list(INSERT CPACK_COMPONENTS_ALL 3 tools)
endif()

set(board_name_kestrel Kestrel)
set(board_name_merlin Merlin)
foreach(board IN ITEMS kestrel merlin)
  string(TOUPPER ${board} BOARD)
  set(package ${LINEIO_DEB_PACKAGE_${board}})
  set(CPACK_DEBIAN_${BOARD}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${BOARD}_PACKAGE_SECTION libs)
  set(CPACK_COMPONENT_${BOARD}_DESCRIPTION
    "lineio driver library for the ${board_name_${board}} line-test board
The shared library lib${board}.so.${major}: the 37 exported C functions that open
the board, drive the logical ports of its internal bus, load its serially
loaded devices, wait for its ticks and transform sampled signals. It reaches
the board through the kernel's PCI sysfs and, for interrupts, uio_pci_generic.")
  # What dh_makeshlibs would write: hosts built against this library depend
  # on this package; ldconfig runs once after the packages of a dpkg run.
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/${package}/shlibs
    CONTENT "lib${board} ${major} ${package} (>= ${PROJECT_VERSION})\n" @ONLY)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/${package}/triggers
    CONTENT "activate-noawait ldconfig\n" @ONLY)
  # What dh_makeshlibs would write too: the exported names (exports.list),
  # each there since this version; dpkg-shlibdeps prefers them to shlibs.
  list(TRANSFORM LINEIO_EXPORTS PREPEND " " OUTPUT_VARIABLE symbols)
  list(TRANSFORM symbols APPEND "@Base ${PROJECT_VERSION}")
  list(SORT symbols)
  list(JOIN symbols "\n" symbols)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/${package}/symbols
    CONTENT "lib${board}.so.${major} ${package} #MINVER#\n* Build-Depends-Package: lineio-dev\n${symbols}\n" @ONLY)
  set(CPACK_DEBIAN_${BOARD}_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/${package}/shlibs
    ${PROJECT_BINARY_DIR}/debian/${package}/symbols ${PROJECT_BINARY_DIR}/debian/${package}/triggers)
endforeach()

set(CPACK_DEBIAN_DEV_PACKAGE_NAME lineio-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS kestrel merlin)
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "pkgconf | pkg-config, lineio-sim")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "lineio driver libraries for Kestrel and Merlin boards: development files
What a host program is built with: the header lineio.h, the links
libkestrel.so and libmerlin.so, pkg-config files (kestrel, merlin), a CMake
package (find_package(lineio 1 COMPONENTS kestrel merlin)), the lineio(3) man
page and the reference of the exports in /usr/share/doc/lineio.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME lineio-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)
# The postinst creates the group lineio at installation.
configure_file(${PROJECT_SOURCE_DIR}/packaging/lineio-tools.postinst ${PROJECT_BINARY_DIR}/debian/lineio-tools/postinst
  COPYONLY)
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/lineio-tools/postinst)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "lineio tools: PCI diagnostic console, bus analysers, demo
pcidiag lists the cards of the PCI bus with their resources and edits their
configuration registers; lineio-trace-kestrel and lineio-trace-merlin run
scripts of export calls against a simulated board and print every register
access; lineio-demo runs a host session against a simulated board. With the
udev rule that lets the members of the group lineio use the boards without
root; the group is created at installation.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME lineio-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIM_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_SIM_DESCRIPTION
  "lineio simulation flavour: the libraries with a simulated board inside
libkestrel.so.${major} and libmerlin.so.${major} in the folder
/usr/${CMAKE_INSTALL_LIBDIR}/lineio/sim, with the same SONAME and exports as
the real libraries and a simulated PCI bus, kernel driver and boards inside
(one Kestrel and one Merlin board, ticking). An unchanged host runs against
the simulated board with LD_LIBRARY_PATH on that folder.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-lineio)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3:any, libkestrel${major} (>= ${PROJECT_VERSION}), libmerlin${major} (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "lineio-sim, python3-numpy")
foreach(script IN ITEMS postinst prerm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/python3-lineio.${script}
    ${PROJECT_BINARY_DIR}/debian/python3-lineio/${script} COPYONLY)
  list(APPEND CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/python3-lineio/${script})
endforeach()
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
  "lineio for Python: the Kestrel and Merlin board libraries from Python
The module lineio loads libkestrel.so.${major} and libmerlin.so.${major} (or their simulation
flavour) through ctypes and gives their 37 exports with every argument
checked, a Board that opens and closes the board, and helpers that allocate
the arrays of the transform and the conversions (numpy arrays when
python3-numpy is installed).")

# The copyright file of every package: the MIT licence of LICENSE, in
# Debian's machine-readable format (where MIT is called Expat).
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
list(FILTER license_lines EXCLUDE REGEX "^MIT License$")
set(copyright_holders "")
set(license_text "")
foreach(line IN LISTS license_lines)
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    set(copyright_holders "${CMAKE_MATCH_1}")
  elseif(line STREQUAL "")
    string(APPEND license_text " .\n")
  else()
    string(APPEND license_text " ${line}\n")
  endif()
endforeach()
string(REGEX REPLACE "^( \\.\n)+" "" license_text "${license_text}")
if(copyright_holders STREQUAL "")
  message(FATAL_ERROR "LICENSE has no Copyright line")
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: lineio

Files: *
Copyright: ${copyright_holders}
License: Expat
${license_text}" @ONLY)

# The changelog of every package: these are native packages (no Debian
# revision), whose changelog.gz is in Debian's format; what changed is in
# CHANGELOG.md (lineio-dev). Dated when the build was configured, or by
# SOURCE_DATE_EPOCH.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog CONTENT
"lineio (${PROJECT_VERSION}) unstable; urgency=medium

  * lineio ${PROJECT_VERSION}: see /usr/share/doc/lineio/CHANGELOG.md (package
    lineio-dev) for what it delivers.

 -- ${CPACK_PACKAGE_CONTACT}  ${changelog_date}
" @ONLY)
execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/debian/changelog
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LINEIO_DEB_PACKAGE_${component}}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
