# The installation folders (GNUInstallDirs), with the libraries in the
# multiarch folder where the system has one (Debian and its kin:
# lib/x86_64-linux-gnu, lib/i386-linux-gnu), as Debian's packages keep them,
# whatever the prefix: the packages are made from a build configured with the
# default prefix. A CMAKE_INSTALL_LIBDIR given on the command line wins.
if(NOT WIN32 AND CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
      CACHE PATH "Object code libraries (the multiarch folder lib/${CMAKE_LIBRARY_ARCHITECTURE})")
endif()
include(GNUInstallDirs)
