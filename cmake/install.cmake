# Install rules: the library, its header, a CMake package (find_package(ZPosApp),
# target ZPosApp::ZPosApp) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

target_include_directories(ZPosApp INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS ZPosApp EXPORT ZPosAppTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ZPosAppTargets NAMESPACE ZPosApp:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZPosApp)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZPosAppConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZPosApp)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZPosApp)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zposapp.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zposapp.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zposapp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
