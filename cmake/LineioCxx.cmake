# lineio::cxx: the header-only C++ interface (include/lineio.hpp, C++17 and
# later). It loads the board libraries at run time, so a host links no board
# library, only the system's dynamic loader (CMAKE_DL_LIBS: -ldl where dlopen
# is not in the C library).
add_library(lineio_cxx INTERFACE)
add_library(lineio::cxx ALIAS lineio_cxx)
target_include_directories(lineio_cxx INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(lineio_cxx INTERFACE cxx_std_17)
target_link_libraries(lineio_cxx INTERFACE ${CMAKE_DL_LIBS})
set_target_properties(lineio_cxx PROPERTIES EXPORT_NAME cxx)
