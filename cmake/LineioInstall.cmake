# Installation: both libraries (versioned, with their SONAME), the header, a
# pkg-config file per library and a CMake package with exported targets.
include(CMakePackageConfigHelpers)

install(TARGETS kestrel merlin EXPORT lineioTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/lineio.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT lineioTargets NAMESPACE lineio:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio)

configure_package_config_file(cmake/lineioConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lineioConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lineioConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lineioConfig.cmake ${PROJECT_BINARY_DIR}/lineioConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lineio)

# The pkg-config files find the prefix from their own place, so an installed
# tree can be moved.
file(RELATIVE_PATH LINEIO_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" LINEIO_PC_TO_PREFIX "${LINEIO_PC_TO_PREFIX}")
foreach(board IN ITEMS kestrel merlin)
  set(LINEIO_PC_LIBRARY ${board})
  configure_file(cmake/lineio.pc.in ${PROJECT_BINARY_DIR}/${board}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${board}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
