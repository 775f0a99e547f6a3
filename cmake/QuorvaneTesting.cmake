# GoogleTest for both builds, and one helper that makes a test program and registers it with ctest.
# Windows test programs are registered whole (one Wine process each) rather than per test case:
# starting Wine costs far more than any of our test cases.

if(CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest as source; build it with the cross compiler.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(QUORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QUORVANE_WINEPREFIX})
  # The tests that install the product from inside one program (INSTALLS below) have a prefix of
  # their own: they run one after another there, beside the end-to-end scenarios, which run one
  # after another in the first prefix.
  set(QUORVANE_INSTALL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-install)
else()
  find_package(GTest REQUIRED)
endif()

# quorvane_test(<name> [INSTALLS] SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
# INSTALLS: the test writes the product's files, keys, shortcuts and settings on the machine.
function(quorvane_test name)
  cmake_parse_arguments(T "INSTALLS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gtest)
  if(CMAKE_CROSSCOMPILING)
    target_link_options(${name} PRIVATE -static)
  endif()
  if(T_INSTALLS AND CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QUORVANE_INSTALL_WINEPREFIX}
                                  $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK quorvane_test_installation)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # The host's own build: `ctest -L native` runs what needs neither Wine nor a display.
  if(NOT CMAKE_CROSSCOMPILING)
    list(APPEND T_LABELS native)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()
