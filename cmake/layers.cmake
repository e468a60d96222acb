# One static library per subsystem, its dependencies declared, and an include
# path that holds only the subsystems it may use: the folder
# ${PROJECT_BINARY_DIR}/layers/NAME has a link to NAME's own sources and one to
# each subsystem below it, and the project root is not on the path. An include
# that runs upward (link/ including "entry/...") is then not found: the build
# fails with the compiler's "No such file or directory".
#
#   zpos_subsystem(NAME USES SUBSYSTEM... SOURCES FILE...)
#
# NAME may use the subsystems named after USES and whatever those use in turn;
# the library is zpos_NAME.

# Build-wide settings of every library target: warnings, sanitizers, the
# public headers, the fixed addresses of the design, and the headers generated
# from tables/ written before any of them is compiled.
add_library(zpos_library_settings INTERFACE)
target_link_libraries(zpos_library_settings INTERFACE zpos_build)
add_dependencies(zpos_library_settings zpos_generated_headers)
target_include_directories(zpos_library_settings INTERFACE ${PROJECT_SOURCE_DIR}/include ${PROJECT_BINARY_DIR}/include)
target_compile_definitions(zpos_library_settings INTERFACE ZPOSAPP_BUILDING
  ZPOS_PRIMARY_HOST="${ZPOS_PRIMARY_HOST}" ZPOS_PRIMARY_PORT=${ZPOS_PRIMARY_PORT}
  ZPOS_SECONDARY_HOST="${ZPOS_SECONDARY_HOST}"
  ZPOS_BACKUP_HOST="${ZPOS_BACKUP_HOST}" ZPOS_BACKUP_PORT=${ZPOS_BACKUP_PORT})

function(zpos_subsystem name)
  cmake_parse_arguments(arg "" "" "USES;SOURCES" ${ARGN})
  set(visible ${name})
  foreach(used ${arg_USES})
    get_property(below GLOBAL PROPERTY ZPOS_VISIBLE_${used})
    if(NOT below)
      message(FATAL_ERROR "subsystem ${name} uses ${used}, which is not defined before it")
    endif()
    list(APPEND visible ${below})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set_property(GLOBAL PROPERTY ZPOS_VISIBLE_${name} ${visible})

  # The same for the headers generated from tables/: a second folder with a
  # link to each visible subsystem's folder of them in the build folder.
  set(folder ${PROJECT_BINARY_DIR}/layers/${name})
  set(generated ${PROJECT_BINARY_DIR}/layers/${name}.generated)
  file(REMOVE_RECURSE ${folder} ${generated})
  file(MAKE_DIRECTORY ${folder} ${generated})
  foreach(subsystem ${visible})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${subsystem} ${folder}/${subsystem} SYMBOLIC)
    file(CREATE_LINK ${ZPOS_GENERATED_DIR}/${subsystem} ${generated}/${subsystem} SYMBOLIC)
  endforeach()

  add_library(zpos_${name} STATIC ${arg_SOURCES})
  set_target_properties(zpos_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # The library throws nothing and lets nothing cross a C export, so it needs
  # none of the C++ runtime's exception support (the tests keep theirs).
  target_compile_options(zpos_${name} PRIVATE -fno-exceptions)
  target_include_directories(zpos_${name} PRIVATE ${folder} ${generated})
  target_link_libraries(zpos_${name} PUBLIC zpos_library_settings)
  foreach(used ${arg_USES})
    target_link_libraries(zpos_${name} PUBLIC zpos_${used})
  endforeach()
endfunction()
