# Cross build of the 32-bit Windows library (ZPosApp.dll) with mingw-w64 on a
# Linux host. The result runs on Windows and, for the tests here, under Wine.
# ZPOS_MINGW_ARCH=x86_64 (preset mingw64) builds the 64-bit DLL for 64-bit POS
# processes; the 32-bit one is the main product.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT ZPOS_MINGW_ARCH)
  set(ZPOS_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${ZPOS_MINGW_ARCH})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZPOS_MINGW_ARCH)

# ZPOS_MINGW_THREADS=posix takes the posix thread model's compilers (std::thread),
# which zpos-agent.exe needs; the library keeps the default ones.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZPOS_MINGW_THREADS)

set(ZPOS_MINGW_PREFIX ${ZPOS_MINGW_ARCH}-w64-mingw32)
set(zpos_compiler_suffix "")
if(ZPOS_MINGW_THREADS)
  set(zpos_compiler_suffix -${ZPOS_MINGW_THREADS})
endif()
set(CMAKE_C_COMPILER ${ZPOS_MINGW_PREFIX}-gcc${zpos_compiler_suffix})
set(CMAKE_CXX_COMPILER ${ZPOS_MINGW_PREFIX}-g++${zpos_compiler_suffix})
set(CMAKE_RC_COMPILER ${ZPOS_MINGW_PREFIX}-windres)

# Headers and libraries come from the cross sysroot only; programs (code
# generators and the like) from the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZPOS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The build's own programs (the Windows checks, tests/windows) run under Wine.
find_program(ZPOS_WINE NAMES wine)
if(ZPOS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZPOS_WINE})
endif()
