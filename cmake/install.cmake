# Install rules, in the components that the Debian packages follow
# (cmake/package.cmake): lib, the shared library alone; dev, what a POS is
# built with (headers, CMake package, pkg-config file, the bindings' sources);
# tools, zpos and zpos-host with the documentation; agent, zpos-agent with its
# service unit and its API.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZPOS_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZPosApp)
set(ZPOS_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/zposapp)
set(ZPOS_INSTALL_SHAREDIR ${CMAKE_INSTALL_DATADIR}/zposapp)

# The library; its unversioned link (libZPosApp.so) serves only the linker.
target_include_directories(ZPosApp INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>)
install(TARGETS ZPosApp EXPORT ZPosAppTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)

# Every public header in include/, and the generated version header.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev
  FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/zposapp_version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT dev)

# find_package(ZPosApp), target ZPosApp::ZPosApp; relocatable, as the files
# find the prefix from where they are.
install(EXPORT ZPosAppTargets NAMESPACE ZPosApp:: DESTINATION ${ZPOS_INSTALL_CMAKEDIR} COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZPosAppConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfig.cmake INSTALL_DESTINATION ${ZPOS_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ZPosAppConfigVersion.cmake
  DESTINATION ${ZPOS_INSTALL_CMAKEDIR} COMPONENT dev)

# pkg-config: absolute directories under the prefix the install runs with
# (cmake --install --prefix may differ from the configured one), written when
# it runs. Under /usr they are the compiler's own, which pkg-config leaves out.
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(ZPOS_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(ZPOS_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
install(CODE "
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(ZPOS_PC_LIBDIR [[${ZPOS_PC_LIBDIR}]])
  set(ZPOS_PC_INCLUDEDIR [[${ZPOS_PC_INCLUDEDIR}]])
  configure_file([[${CMAKE_CURRENT_LIST_DIR}/zposapp.pc.in]] [[${PROJECT_BINARY_DIR}/zposapp.pc]] @ONLY)"
  COMPONENT dev)
install(FILES ${PROJECT_BINARY_DIR}/zposapp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Sources of the language bindings, for POS applications outside C and C++.
if(EXISTS ${PROJECT_SOURCE_DIR}/bindings)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings DESTINATION ${ZPOS_INSTALL_SHAREDIR} COMPONENT dev
    PATTERN __pycache__ EXCLUDE PATTERN "*.pyc" EXCLUDE PATTERN bin EXCLUDE PATTERN obj EXCLUDE)
endif()

# zpos_gzip(FILE): FILE.gz beside FILE, compressed the way Debian wants
# manual pages and changelogs (best compression, no name or time stamp).
function(zpos_gzip file)
  execute_process(COMMAND gzip -9nc ${file} OUTPUT_FILE ${file}.gz COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The tools with their manual pages, the documentation, and the Wireshark
# dissector where there is one.
set(ZPOS_DOC_PATH ${CMAKE_INSTALL_FULL_DATADIR}/doc/zposapp)
foreach(tool zpos zpos-host)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
    get_target_property(tool_dir ${tool} SOURCE_DIR)
    configure_file(${tool_dir}/${tool}.1.in ${PROJECT_BINARY_DIR}/man/${tool}.1 @ONLY)
    zpos_gzip(${PROJECT_BINARY_DIR}/man/${tool}.1)
    install(FILES ${PROJECT_BINARY_DIR}/man/${tool}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  ${PROJECT_SOURCE_DIR}/tools/host/example.scenario DESTINATION ${ZPOS_INSTALL_DOCDIR} COMPONENT tools)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${ZPOS_INSTALL_DOCDIR} COMPONENT tools)
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/wireshark/zposapp.lua)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/wireshark/zposapp.lua DESTINATION ${ZPOS_INSTALL_SHAREDIR}/wireshark
    COMPONENT tools)
endif()
# The license text beside them; Debian packages carry it in their copyright
# file instead, so this component is not packaged.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${ZPOS_INSTALL_DOCDIR} COMPONENT license)

# zpos-agent with its manual page, its systemd unit and its API. The unit
# names the binary where the configured prefix puts it, and allows the
# library's fixed primary host and backup server besides loopback.
set(ZPOS_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING "Where the systemd unit is installed (under the prefix when relative)")
if(TARGET zpos-agent)
  set(ZPOS_AGENT_EXEC ${CMAKE_INSTALL_FULL_BINDIR}/zpos-agent)
  set(ZPOS_AGENT_DOC_PATH ${CMAKE_INSTALL_FULL_DATADIR}/doc/zposapp-agent)
  configure_file(${PROJECT_SOURCE_DIR}/agent/systemd/zpos-agent.service.in ${PROJECT_BINARY_DIR}/systemd/zpos-agent.service
    @ONLY)
  if(IS_ABSOLUTE "${ZPOS_SYSTEMD_UNIT_DIR}")
    set(ZPOS_AGENT_UNIT_PATH ${ZPOS_SYSTEMD_UNIT_DIR}/zpos-agent.service)
  else()
    set(ZPOS_AGENT_UNIT_PATH ${CMAKE_INSTALL_PREFIX}/${ZPOS_SYSTEMD_UNIT_DIR}/zpos-agent.service)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/agent/zpos-agent.1.in ${PROJECT_BINARY_DIR}/man/zpos-agent.1 @ONLY)
  zpos_gzip(${PROJECT_BINARY_DIR}/man/zpos-agent.1)
  install(TARGETS zpos-agent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT agent)
  install(FILES ${PROJECT_BINARY_DIR}/man/zpos-agent.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT agent)
  install(FILES ${PROJECT_BINARY_DIR}/systemd/zpos-agent.service DESTINATION ${ZPOS_SYSTEMD_UNIT_DIR} COMPONENT agent)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/agent.md ${PROJECT_SOURCE_DIR}/agent/openapi.yaml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zposapp-agent COMPONENT agent)
endif()
