# The Windows build's checks: the files' tables (pe_check.py), and under Wine
# (wine_checks.py) winunit, winpos compared with a native build's reference run
# (ZPOS_NATIVE_BUILD), linkpos and zpos-agent.exe. Wine programs share the
# prefix's registry: one at a time.
set(ZPOS_TEST_PYTHON /usr/bin/python3 CACHE FILEPATH "Python interpreter for the Windows checks")
set(ZPOS_NATIVE_BUILD "" CACHE PATH "Native build of the same sources: zpos-host, zpos and the test libraries")
set(pe ${ZPOS_TEST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/pe_check.py)
set(wine_checks ${ZPOS_TEST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/wine_checks.py)
set(work ${CMAKE_CURRENT_BINARY_DIR}/wine-run)
set(bin ${PROJECT_BINARY_DIR})
set(dll $<TARGET_FILE:ZPosApp>)
set(pad $<TARGET_FILE:SignPad_dll>)
set(backup $<TARGET_FILE:BACKUPDLL>)
set(four Zelta_Ack Zelta_OKCashbag Zelta_Send Zelta_download)
set(system_dlls ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL VERSION.DLL WS2_32.DLL WSOCK32.DLL GDI32.DLL)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(machine i386)
  # What a caller compiled against zposapp.h references: the names carry
  # the machine, so a DLL built for the other one fails here.
  set(implib_names _Zelta_Ack@0 _Zelta_OKCashbag@16 _Zelta_Send@16 _Zelta_download@16)
else()
  set(machine x86_64)
  set(implib_names ${four})
endif()

# ---- The files' tables ----
add_test(NAME pe_zposapp_exports COMMAND ${pe} exports ${dll} ${four})
add_test(NAME pe_testpad_exports COMMAND ${pe} exports ${pad} general_pin orvik_sign)
add_test(NAME pe_testbackup_exports COMMAND ${pe} exports ${backup} DataProcess_NVR cryptCard)
foreach(target ZPosApp winpos SignPad_dll BACKUPDLL regfill)
  add_test(NAME pe_${target}_imports COMMAND ${pe} imports $<TARGET_FILE:${target}> ${system_dlls})
endforeach()
add_test(NAME pe_mingw_import_library COMMAND ${pe} implib $<TARGET_LINKER_FILE:ZPosApp> ${implib_names})
add_test(NAME pe_msvc_import_library COMMAND ${pe} implib ${bin}/ZPosApp.lib ${implib_names})
# Debug sections and symbols live in ZPosApp.dll.debug, named by the debug link.
add_test(NAME pe_zposapp_stripped COMMAND ${pe} stripped ${dll})
add_test(NAME pe_zposapp_debuglink COMMAND ${pe} debuglink ${dll} ${bin}/ZPosApp.dll.debug)
add_test(NAME pe_zposapp_debugfile COMMAND ${pe} debugfile ${bin}/ZPosApp.dll.debug)
if(machine STREQUAL i386)
  # Each export's own code removes its arguments (stdcall).
  set(rets "ZPosApp:Zelta_Send:16" "ZPosApp:Zelta_OKCashbag:16" "ZPosApp:Zelta_download:16" "ZPosApp:Zelta_Ack:0"
    "SignPad_dll:orvik_sign:12" "SignPad_dll:general_pin:12" "BACKUPDLL:cryptCard:12" "BACKUPDLL:DataProcess_NVR:16")
  foreach(ret IN LISTS rets)
    string(REPLACE ":" ";" ret "${ret}")
    list(GET ret 0 target)
    list(GET ret 1 name)
    list(GET ret 2 bytes)
    set(symbols $<IF:$<STREQUAL:${target},ZPosApp>,${bin}/ZPosApp.dll.debug,$<TARGET_FILE:${target}>>)
    add_test(NAME pe_ret_${name} COMMAND ${pe} ret $<TARGET_FILE:${target}> ${symbols} ${name} ${bytes})
  endforeach()
endif()
if(ZPOS_BUILD_AGENT)
  add_test(NAME pe_agent_imports COMMAND ${pe} imports ${bin}/zpos-agent.exe ADVAPI32.DLL BCRYPT.DLL KERNEL32.DLL
    MSVCRT.DLL MSWSOCK.DLL WS2_32.DLL ZPOSAPP.DLL)
endif()

# ---- Under Wine ----
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
# The library's texts are CP949: the Korean code page, as a POS runs.
set(korean "LANG=ko_KR.UTF-8;LC_ALL=ko_KR.UTF-8")
add_test(NAME winunit COMMAND winunit)
set_tests_properties(winunit PROPERTIES ENVIRONMENT "${korean}" PASS_REGULAR_EXPRESSION "winunit: [0-9]+ passed, 0 failed"
  RESOURCE_LOCK wine TIMEOUT 300)

if(NOT ZPOS_NATIVE_BUILD)
  return()
endif()
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 wine)
set(native ${ZPOS_NATIVE_BUILD})
add_test(NAME hosts_start COMMAND ${wine_checks} hosts-start ${work} ${native}/tools/host/zpos-host
  ${PROJECT_SOURCE_DIR}/tests/pos/host.scenario)
add_test(NAME hosts_stop COMMAND ${wine_checks} hosts-stop ${work})
set_tests_properties(hosts_start PROPERTIES FIXTURES_SETUP hosts)
set_tests_properties(hosts_stop PROPERTIES FIXTURES_CLEANUP hosts)

add_test(NAME native_reference COMMAND ${wine_checks} native ${work} ${native})
set_tests_properties(native_reference PROPERTIES FIXTURES_SETUP native FIXTURES_REQUIRED hosts)

# winpos beside the DLL and the test libraries, the store filled; its
# responses, log lines, pad calls and requests compared with the native run's.
add_test(NAME winpos COMMAND ${wine_checks} winpos ${work} ${wine} ${PROJECT_VERSION} ${dll} $<TARGET_FILE:winpos>
  ${pad} ${backup} $<TARGET_FILE:regfill>)
set_tests_properties(winpos PROPERTIES FIXTURES_SETUP winpos FIXTURES_REQUIRED "hosts;native" RESOURCE_LOCK wine
  TIMEOUT 600)
set(compares requests block-first block-second decoded pad)
foreach(name approval signed decline)
  list(APPEND compares response:${name} log:${name})
endforeach()
foreach(compare IN LISTS compares)
  string(REPLACE ":" ";" args "${compare}")
  string(REPLACE ":" "_" name "${compare}")
  string(REPLACE "-" "_" name "${name}")
  add_test(NAME same_${name} COMMAND ${wine_checks} compare ${work} ${args})
  set_tests_properties(same_${name} PROPERTIES FIXTURES_REQUIRED "hosts;native;winpos")
endforeach()

# A POS linked against the import libraries: MinGW through the installed
# package, MSVC conventions with clang and lld-link, each run under Wine.
set(linkpos_source ${CMAKE_CURRENT_SOURCE_DIR}/linkpos)
set(arch $<IF:$<STREQUAL:${machine},i386>,i686,x86_64>)
add_test(NAME linkpos_mingw_build COMMAND ${wine_checks} linkpos-mingw ${work} ${bin} ${linkpos_source}
  ${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw32.cmake ${arch})
add_test(NAME linkpos_msvc_build COMMAND ${wine_checks} linkpos-msvc ${work} ${bin} ${linkpos_source} ${arch})
foreach(kind mingw msvc)
  set_tests_properties(linkpos_${kind}_build PROPERTIES FIXTURES_SETUP linkpos_${kind})
  add_test(NAME linkpos_${kind} COMMAND ${wine_checks} linkpos-run ${work} ${wine} ${kind})
  set_tests_properties(linkpos_${kind} PROPERTIES FIXTURES_REQUIRED "linkpos_${kind};hosts" RESOURCE_LOCK wine
    DEPENDS winpos)
endforeach()

# The 32-bit zpos-agent.exe under Wine: the agent's API suite (the cases not
# about POSIX modes or signals), three kill points, and as a Wine service.
if(NOT ZPOS_BUILD_AGENT OR NOT machine STREQUAL i386)
  return()
endif()
set(agent ${bin}/zpos-agent.exe)
set(suites "agent_api_wine:test_api.py:decline_frees or busy_leaves or inbox or cannot_be_reached or token_host_and_origin or preflight or events_take"
  "agent_recovery_wine:test_recovery.py:pending or approved or acknowledging")
foreach(suite IN LISTS suites)
  string(REPLACE ":" ";" suite "${suite}")
  list(GET suite 0 name)
  list(GET suite 1 file)
  list(GET suite 2 cases)
  add_test(NAME ${name} COMMAND ${ZPOS_TEST_PYTHON} -m pytest -q -p no:cacheprovider
    ${PROJECT_SOURCE_DIR}/tests/agent/${file} -k "${cases}")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "ZPOS_AGENT_COMMAND=${wine} ${agent};ZPOS_HOST=${native}/tools/host/zpos-host;PYTHONDONTWRITEBYTECODE=1"
    RESOURCE_LOCK wine DEPENDS winpos TIMEOUT 900)
endforeach()
set(previous agent_recovery_wine)
foreach(step install start stop uninstall)
  add_test(NAME agent_service_${step} COMMAND ${wine_checks} service ${work} ${wine} ${agent} ${step})
  set_tests_properties(agent_service_${step} PROPERTIES FIXTURES_REQUIRED hosts RESOURCE_LOCK wine
    DEPENDS ${previous})
  set(previous agent_service_${step})
endforeach()
