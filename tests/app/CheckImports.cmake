# Fails unless every DLL that PROGRAM imports ships with Windows, and unless none of the DELAYED
# ones (names without .dll, comma-separated), which it loads on first use, is loaded at its start.
# cmake -DOBJDUMP=... -DPROGRAM=Install.exe [-DDELAYED=shell32,ws2_32] -P CheckImports.cmake
set(system_dlls
  kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll shlwapi.dll ole32.dll
  oleaut32.dll advapi32.dll ws2_32.dll wsock32.dll msvcrt.dll version.dll uxtheme.dll bcrypt.dll
  # TLS: Schannel through SSPI, certificate chains.
  secur32.dll crypt32.dll
  winhttp.dll)  # the user's proxy settings and their automatic configuration (Windows 2000 on)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
string(REPLACE "," ";" delayed "${DELAYED}")
foreach(library IN LISTS delayed)
  string(TOLOWER "${library}.dll" dll)
  list(FIND system_dlls "${dll}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} loads ${dll} on first use, which does not ship with Windows")
  endif()
endforeach()
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(dll MATCHES "^api-ms-win-crt-")
    continue()  # the Universal CRT's forwarders ship with Windows 10 and later
  endif()
  list(FIND system_dlls "${dll}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which does not ship with Windows")
  endif()
  string(REGEX REPLACE "\\.dll$" "" library "${dll}")
  list(FIND delayed "${library}" late)
  if(NOT late EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} loads ${dll} at its start; it is meant to load it on first use")
  endif()
  message(STATUS "import: ${dll}")
endforeach()
