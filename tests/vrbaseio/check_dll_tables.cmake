# Reads the DLL's export and import tables with the MinGW objdump:
# VrbIOInitialize is its one export, under its plain name, and it imports
# from the system alone: no MinGW runtime DLLs beside it, and no codec DLL
# (zlib, bzip2, liblzma, zstd: compressed files' libraries are linked in).
#   cmake -DOBJDUMP=... -DMODULE=... -P check_dll_tables.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE tables RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed: ${result}")
endif()

string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [A-Za-z_][^\n]*" export_lines "${tables}")
set(exports)
foreach(line ${export_lines})
  string(REGEX REPLACE "^\n\t\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND exports "${name}")
endforeach()
if(NOT exports STREQUAL "VrbIOInitialize")
  message(FATAL_ERROR "exports: '${exports}'; expected VrbIOInitialize alone")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${tables}")
set(imports)
foreach(line ${import_lines})
  string(REPLACE "DLL Name: " "" name "${line}")
  string(TOUPPER "${name}" name)
  list(APPEND imports "${name}")
endforeach()
list(SORT imports)
# Windows' own DLLs: the Hadoop backend adds WinHTTP, Winsock and advapi32
# (the logon name) to the C runtime and kernel32.
set(system_dlls ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL WINHTTP.DLL WS2_32.DLL)
set(foreign ${imports})
list(REMOVE_ITEM foreign ${system_dlls})
list(FIND imports KERNEL32.DLL kernel32_at)
list(FIND imports MSVCRT.DLL msvcrt_at)
if(foreign OR kernel32_at EQUAL -1 OR msvcrt_at EQUAL -1)
  message(FATAL_ERROR "imports: '${imports}'; expected KERNEL32.dll, msvcrt.dll and no DLL but ${system_dlls} "
                      "(the MinGW runtime and the codec libraries are linked statically)")
endif()
message(STATUS "exports: ${exports}; imports: ${imports}")
