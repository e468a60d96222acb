# Debian packages, cut along the install components of cmake/install.cmake:
# libzposapp1 (lib), libzposapp-dev (dev; needs libzposapp1 of the same
# version), zposapp-tools (tools) and, where the agent is built,
# zposapp-agent (agent). Built by `cpack --preset deb` from the
# deb preset's build, which installs under /usr; scripts/package-tests.sh
# builds, installs, uses and removes them.
set(ZPOS_PACKAGE_MAINTAINER "ZPosApp developers <zposapp@example.com>" CACHE STRING
  "Maintainer field of the Debian packages")

# Each package's changelog entry is the release's: its date comes from the
# version's section of CHANGELOG.md, so a version without one stops here.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(ZPOS_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md zpos_release
  REGEX "^## \\[${PROJECT_VERSION}\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
if(NOT zpos_release)
  message(FATAL_ERROR "CHANGELOG.md has no section \"## [${PROJECT_VERSION}] - YYYY-MM-DD\"")
endif()
string(REGEX REPLACE ".* - " "" zpos_release "${zpos_release}")
execute_process(COMMAND date -u -R -d ${zpos_release} OUTPUT_VARIABLE ZPOS_RELEASE_DATE
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(zpos_debian_dir ${PROJECT_BINARY_DIR}/debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${zpos_debian_dir}/changelog.Debian @ONLY)
zpos_gzip(${zpos_debian_dir}/changelog.Debian)

set(CPACK_DEBIAN_LIB_PACKAGE_NAME libzposapp${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libzposapp-dev)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zposapp-tools)
set(CPACK_DEBIAN_AGENT_PACKAGE_NAME zposapp-agent)
set(zpos_deb_components LIB DEV TOOLS)
if(TARGET zpos-agent)
  list(APPEND zpos_deb_components AGENT)
endif()
# The copyright file and the changelog every Debian package carries; only a
# package build installs them (a plain install leaves EXCLUDE_FROM_ALL out).
foreach(component ${zpos_deb_components})
  string(TOLOWER ${component} name)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${zpos_debian_dir}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${component}_PACKAGE_NAME}
    COMPONENT ${name} EXCLUDE_FROM_ALL)
endforeach()

# The library package's symbols file, from the exports map: the four exports,
# every one there since 1.0.0. The ldconfig trigger refreshes the loader's
# cache after the library comes or goes (CPack's own postinst and postrm call
# ldconfig too, which the trigger makes redundant).
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/exports.map zpos_exports REGEX "^ +[A-Za-z_][A-Za-z0-9_]*;$")
list(TRANSFORM zpos_exports REPLACE "^ +(.*);$" " \\1@Base 1.0.0")
list(JOIN zpos_exports "\n" zpos_exports)
file(WRITE ${zpos_debian_dir}/symbols "libZPosApp.so.${PROJECT_VERSION_MAJOR} ${CPACK_DEBIAN_LIB_PACKAGE_NAME} #MINVER#
* Build-Depends-Package: ${CPACK_DEBIAN_DEV_PACKAGE_NAME}\n${zpos_exports}\n")
file(WRITE ${zpos_debian_dir}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${zpos_debian_dir}/symbols ${zpos_debian_dir}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zposapp)
set(CPACK_PACKAGE_VENDOR ZPosApp)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
string(TOLOWER "${zpos_deb_components}" CPACK_COMPONENTS_ALL)
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_COMPONENT_TOOLS_DEPENDS lib)
set(CPACK_COMPONENT_AGENT_DEPENDS lib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZPOS_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# zpos needs libZPosApp.so.1 from this build; its package comes through the
# component dependency (libzposapp1 of the same version).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_AGENT_PACKAGE_SECTION net)
# The agent's maintainer scripts create its system user (adduser) and run the
# unit through deb-systemd-helper (init-system-helpers, which is essential).
set(CPACK_DEBIAN_AGENT_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_AGENT_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/agent/postinst
  ${CMAKE_CURRENT_LIST_DIR}/debian/agent/prerm ${CMAKE_CURRENT_LIST_DIR}/debian/agent/postrm)
set(CPACK_DEBIAN_LIB_DESCRIPTION "payment client library for point-of-sale terminals
ZPosApp runs card, cash, cheque and OK Cashbag points transactions of a POS
application with the network's payment host over TCP, through four C
functions: Zelta_Send, Zelta_OKCashbag, Zelta_Ack and Zelta_download.
It keeps a daily log and a small settings file beside the POS program, and
routes card transactions through a backup library while the host fails.")
set(CPACK_DEBIAN_DEV_DESCRIPTION "payment client library for point-of-sale terminals - development files
The headers (zposapp.h), the CMake package (find_package(ZPosApp), target
ZPosApp::ZPosApp) and the pkg-config file (zposapp) for building a POS
application against ZPosApp.")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "command-line POS and payment host simulator for ZPosApp
zpos runs single transactions through the ZPosApp library from the command
line and decodes saved request and response records; zpos-host plays the
payment host on loopback, from scenario files and with link faults, for
testing a POS application. Includes the ZPosApp documentation.")
set(CPACK_DEBIAN_AGENT_DESCRIPTION "local payment service for web and any-language POS applications
zpos-agent runs the transactions of a POS through the ZPosApp library behind
a small HTTP and WebSocket API on loopback, one at a time, and journals each
state before the step that could lose it, so that an approval a crashed POS
never confirmed shows up in an in-doubt inbox. Runs as the zposapp system
user under a hardened systemd unit.")
include(CPack)
