# quorvane_delay_load(<target> <library>...): the target loads these system DLLs on the first call
# into them instead of at its start. Under Wine each DLL in the import table is mapped and
# initialised before WinMain, and some do a lot at that point (Secur32 sets up every security
# package, Kerberos and NTLM included): page 1 needs none of them.
#
# For each library a delay-import library of the same name (lib<library>.a) is made from the
# toolchain's import library and put first on the target's library path, so the -l<library> that
# the target's dependencies bring resolves to it. Only the DLL's functions are kept: a library
# whose import library also carries data or code (ws2_32's in6addr_* constants, say) would lose
# them, and the link then fails loudly rather than silently.
#
# The delay-load helper resolves each function on its first call with LoadLibrary, after
# RestrictDllSearchPath() has limited the search to the system folder.
function(quorvane_delay_load target)
  set(dir ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${dir})
  foreach(library IN LISTS ARGN)
    set(delay ${dir}/lib${library}.a)
    if(NOT EXISTS ${delay})
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${library}.a
                      OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
      execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import}
                      OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      # One "I __imp_<name>" line per function of the DLL.
      string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
      list(TRANSFORM imports REPLACE "I __imp_" "  ")
      list(JOIN imports "\n" exports)
      if(exports STREQUAL "")
        message(FATAL_ERROR "No functions in ${import}")
      endif()
      execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${import}
                      OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
      file(WRITE ${dir}/${library}.def "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${dir}/${library}.def --output-delaylib ${delay}.tmp
                      COMMAND_ERROR_IS_FATAL ANY)
      file(RENAME ${delay}.tmp ${delay})
    endif()
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  # Found through the library path, which make does not watch: a library joining the list must
  # still relink the target.
  list(TRANSFORM ARGN REPLACE "(.+)" "${dir}/lib\\1.a" OUTPUT_VARIABLE delays)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${delays})
  # For the import-table test: none of these may be loaded at the program's start.
  set_property(TARGET ${target} APPEND PROPERTY QUORVANE_DELAY_LOADED ${ARGN})
endfunction()
