# Fails unless each PROGRAM (comma-separated) loads at its start only DLLs that Windows never looks
# for in the program's own folder, and unless each of the DELAYED ones (names without .dll,
# comma-separated), which it loads on first use, ships with Windows and is not loaded at its start.
# cmake -DOBJDUMP=... -DPROGRAMS=Install.exe,Install_e2e.exe [-DDELAYED=uxtheme,ws2_32] -P CheckImports.cmake
#
# Install.exe runs elevated from the Downloads folder, where anyone may have left a DLL. Windows
# resolves a start-up import by searching the program's folder first, before any code of ours can
# restrict the search, unless the DLL is a KnownDLL (cmake/SystemDlls.cmake). Not even comctl32,
# which the manifest redirects to Common Controls 6: as it starts it may load uxtheme by name
# (Wine's does), with that folder first in the search.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/SystemDlls.cmake)

string(REPLACE "," ";" programs "${PROGRAMS}")
string(REPLACE "," ";" delayed "${DELAYED}")
string(TOLOWER "${delayed}" delayed)
if(NOT programs)
  message(FATAL_ERROR "no program to check")
endif()
foreach(library IN LISTS delayed)
  if(NOT library IN_LIST QUORVANE_KNOWN_DLLS AND NOT library IN_LIST QUORVANE_SEARCHED_DLLS)
    message(FATAL_ERROR "${library}.dll is loaded on first use, but is in neither list of cmake/SystemDlls.cmake")
  endif()
endforeach()

foreach(program IN LISTS programs)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
  if(NOT lines)
    message(FATAL_ERROR "no imports found in ${program}")
  endif()
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    string(REGEX REPLACE "\\.dll$" "" library "${dll}")
    if(library IN_LIST delayed)
      message(FATAL_ERROR "${program} loads ${dll} at its start; it is meant to load it on first use")
    endif()
    if(NOT library IN_LIST QUORVANE_KNOWN_DLLS)
      message(FATAL_ERROR "${program} loads ${dll} at its start, which is not a KnownDLL: Windows would "
                          "take a ${dll} from the program's own folder. Load it on first use (quorvane_delay_load).")
    endif()
    message(STATUS "${program}: ${dll}")
  endforeach()
endforeach()
