# What ZPosApp.dll needs beyond the compiled code: exports by their stdcall
# names, the import libraries a POS links against (MinGW and MSVC
# conventions), a version resource, and its debug information split off into
# ZPosApp.dll.debug. Included from the top level for Windows builds only.

# cmake/ZPosApp.def names the exports as a 32-bit stdcall caller sees them
# (Zelta_Send@16); --kill-at exports them undecorated and dlltool's -k makes
# the import libraries resolve the decorated names to those. A 64-bit build
# has no decorations: its list is the same without the @N.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZPOS_DEF ${PROJECT_SOURCE_DIR}/cmake/ZPosApp.def)
  set(zpos_kill_at -k)
  set(zpos_llvm_machine i386)
  set(ZPOS_DLL_BITS 32)
else()
  file(READ ${PROJECT_SOURCE_DIR}/cmake/ZPosApp.def zpos_def)
  string(REGEX REPLACE "@[0-9]+" "" zpos_def "${zpos_def}")
  set(ZPOS_DEF ${PROJECT_BINARY_DIR}/ZPosApp.def)
  file(CONFIGURE OUTPUT ${ZPOS_DEF} CONTENT "${zpos_def}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/ZPosApp.def)
  set(zpos_kill_at "")
  set(zpos_llvm_machine i386:x86-64)
  set(ZPOS_DLL_BITS 64)
endif()

configure_file(${PROJECT_SOURCE_DIR}/cmake/ZPosApp.rc.in ${PROJECT_BINARY_DIR}/ZPosApp.rc @ONLY)
target_sources(ZPosApp PRIVATE ${ZPOS_DEF} ${PROJECT_BINARY_DIR}/ZPosApp.rc)
set_target_properties(ZPosApp PROPERTIES PREFIX "")
# The compiler's runtime linked in, so the DLL imports only system libraries.
target_link_options(ZPosApp PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)

# The import library the linker writes names the undecorated exports only,
# which no stdcall caller references: it is replaced by dlltool's. ZPosApp.lib
# is the same for MSVC-convention linkers, where llvm-dlltool is at hand.
find_program(ZPOS_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool)
set(zpos_msvc_implib "")
if(ZPOS_LLVM_DLLTOOL)
  set(zpos_msvc_implib COMMAND ${ZPOS_LLVM_DLLTOOL} -m ${zpos_llvm_machine} ${zpos_kill_at} -d ${ZPOS_DEF}
    -l ZPosApp.lib)
else()
  message(STATUS "llvm-dlltool not found: no ZPosApp.lib for MSVC-convention linkers")
endif()
# The shipped DLL carries neither debug sections nor a symbol table;
# ZPosApp.dll.debug beside it holds both, found by a debugger through the
# DLL's debug link, so that an address from a crash at a site can be read.
add_custom_command(TARGET ZPosApp POST_BUILD
  COMMAND ${CMAKE_DLLTOOL} ${zpos_kill_at} -d ${ZPOS_DEF} -l $<TARGET_LINKER_FILE_NAME:ZPosApp>
  ${zpos_msvc_implib}
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ZPosApp.dll ZPosApp.dll.debug
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=ZPosApp.dll.debug ZPosApp.dll
  WORKING_DIRECTORY $<TARGET_FILE_DIR:ZPosApp>
  VERBATIM)

include(GNUInstallDirs)
install(FILES $<TARGET_FILE_DIR:ZPosApp>/ZPosApp.dll.debug DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib)
if(ZPOS_LLVM_DLLTOOL)
  install(FILES $<TARGET_FILE_DIR:ZPosApp>/ZPosApp.lib DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
endif()
