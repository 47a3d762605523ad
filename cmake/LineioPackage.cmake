# Packages, made by cpack from what a build installs (cmake/LineioInstall.cmake).
# cpack builds nothing with Ninja (the presets' generator): build first, then
# in the build folder
#
#   cpack -G DEB   Linux: six Debian packages, one per install component:
#                  libkestrel1, libmerlin1, lineio-dev, lineio-tools, lineio-sim,
#                  python3-lineio
#   cpack -G ZIP   build/mingw, build/mingw64: one zip for Windows hosts
#                  (lineio-<version>-win32.zip, -win64.zip) with the simulated
#                  DLLs of the matching test build (build/mingw-sim,
#                  build/mingw64-sim) in sim/
set(CPACK_PACKAGE_NAME lineio)
set(CPACK_PACKAGE_VENDOR "lineio developers")
set(CPACK_PACKAGE_CONTACT "lineio developers <maintainers@lineio.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/LineioCPackProject.cmake)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/")
set(LINEIO_SIM_BUILD_FOR_ZIP "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(NOT LINEIO_EMBED_SIMULATOR)
    set(LINEIO_WINDOWS_SIM_BUILD "${PROJECT_BINARY_DIR}-sim"
      CACHE PATH "The Windows test build whose simulated DLLs the zip carries in sim/")
    set(LINEIO_SIM_BUILD_FOR_ZIP ${LINEIO_WINDOWS_SIM_BUILD})
    set(CPACK_INSTALL_CMAKE_PROJECTS
      "${PROJECT_BINARY_DIR};lineio;ALL;/" "${LINEIO_WINDOWS_SIM_BUILD};lineio;sim;/")
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_STRIP_FILES TRUE)
  include(${PROJECT_SOURCE_DIR}/cmake/LineioDebian.cmake)
endif()

configure_file(${PROJECT_SOURCE_DIR}/cmake/LineioCPackProject.cmake.in
  ${PROJECT_BINARY_DIR}/LineioCPackProject.cmake.in @ONLY)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/LineioCPackProject.cmake
  INPUT ${PROJECT_BINARY_DIR}/LineioCPackProject.cmake.in)
include(CPack)
