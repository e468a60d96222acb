# zpos-agent.exe beside ZPosApp.dll. The agent needs std::thread, which the
# DLL's compiler (mingw-w64's win32 thread model) lacks; the DLL keeps that
# compiler, so the agent is a build of its own with the posix thread model's,
# made by agent/platform/windows/CMakeLists.txt and linked against this
# build's import library. Boost and nlohmann-json are header-only: Debian's
# headers are staged alone in a folder of links, since the rest of
# /usr/include is the build host's and must never reach a Windows compiler.
# SQLite is compiled from third_party/sqlite.
find_program(ZPOS_AGENT_CXX NAMES ${ZPOS_MINGW_PREFIX}-g++-posix)
find_program(ZPOS_AGENT_CC NAMES ${ZPOS_MINGW_PREFIX}-gcc-posix)
find_path(ZPOS_BOOST_HEADERS boost/beast.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
find_path(ZPOS_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT ZPOS_AGENT_CXX OR NOT ZPOS_AGENT_CC OR NOT ZPOS_BOOST_HEADERS OR NOT ZPOS_JSON_HEADERS
    OR NOT EXISTS ${PROJECT_SOURCE_DIR}/third_party/sqlite/sqlite3.c)
  message(STATUS "zpos-agent.exe not built: ${ZPOS_MINGW_PREFIX}-g++-posix, libboost-dev or nlohmann-json3-dev "
    "is missing")
  return()
endif()

set(staged ${PROJECT_BINARY_DIR}/agent-headers)
file(MAKE_DIRECTORY ${staged})
file(CREATE_LINK ${ZPOS_BOOST_HEADERS}/boost ${staged}/boost SYMBOLIC)
file(CREATE_LINK ${ZPOS_JSON_HEADERS}/nlohmann ${staged}/nlohmann SYMBOLIC)

include(ExternalProject)
ExternalProject_Add(zpos_agent_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/agent/platform/windows
  BINARY_DIR ${PROJECT_BINARY_DIR}/agent
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw32.cmake
    -DZPOS_MINGW_ARCH=${ZPOS_MINGW_ARCH}
    -DZPOS_MINGW_THREADS=posix
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    -DZPOS_WERROR=${ZPOS_WERROR}
    -DZPOS_SOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DZPOS_PARENT_BINARY_DIR=${PROJECT_BINARY_DIR}
    -DZPOS_AGENT_HEADERS=${staged}
    -DZPOS_IMPORT_LIBRARY=$<TARGET_LINKER_FILE:ZPosApp>
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  DEPENDS ZPosApp)
