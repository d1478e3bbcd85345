# The Windows programs of every Windows target in cmake/targets.txt,
# cross-built from a Linux build with mingw-w64 and, with the tests,
# checked: each one's unit tests and the end-to-end cases that apply to
# Windows run under Wine, the 64-bit ones under wine64, the 32-bit ones
# under wine32, which qemu-user runs on this kernel. A 32-bit program is
# also checked to be a PE32 console program that loads only system DLLs,
# and runs a file past 4 GiB.
# Without the cross compilers or Wine, one test says so and is skipped.

include(ExternalProject)
include(${PROJECT_SOURCE_DIR}/cmake/targets.cmake)

velodrive_targets(windows_targets windows)
set(compilers_found TRUE)
foreach(name IN LISTS windows_targets)
  velodrive_target(${name})
  find_program(MINGW_CXX_${name} ${TARGET_TRIPLET}-g++)
  if(NOT MINGW_CXX_${name})
    set(compilers_found FALSE)
  endif()
endforeach()
find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine)
# wine32 is an i386 program: on this kernel qemu-user runs it, and Wine's
# preloader must be there to map the 32-bit system's memory.
find_program(WINE32 wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
find_program(WINE32_PRELOADER wine-preloader PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
             NO_DEFAULT_PATH)

if(compilers_found)
  foreach(name IN LISTS windows_targets)
    velodrive_target(${name})
    ExternalProject_Add(windows_${TARGET_PROCESSOR}
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${TARGET_PROCESSOR}
      CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/cross.cmake
        -DVELODRIVE_TARGET=${name}
        -DCMAKE_BUILD_TYPE=Release
        -DVELODRIVE_BUILD_TESTS=${VELODRIVE_BUILD_TESTS}
      BUILD_ALWAYS TRUE
      INSTALL_COMMAND ""
      USES_TERMINAL_BUILD TRUE)
    list(APPEND VELODRIVE_WINDOWS_BUILDS ${CMAKE_BINARY_DIR}/windows-${TARGET_PROCESSOR})
  endforeach()
endif()

if(NOT VELODRIVE_BUILD_TESTS)
  return()
endif()
if(NOT compilers_found OR NOT WINE64)
  message(STATUS "mingw-w64 or wine64 not found: the Windows checks are skipped")
  add_test(NAME windows_checks
    COMMAND sh -c "echo 'skipped: install g++-mingw-w64 and wine64'; exit 77")
  set_tests_properties(windows_checks PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()
# One prefix for both: made by wine64, it holds the 32-bit system too
# (syswow64) when wine32 is installed. Wine reads the Linux side's names
# (the arguments, the files in a folder) in the locale's character set; the
# tests' names are UTF-8, whatever locale the tests are run in.
set(WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  LC_ALL=C.UTF-8)
add_test(NAME windows_wine_prefix COMMAND ${WINE64} wineboot --init)
set_tests_properties(windows_wine_prefix PROPERTIES
  ENVIRONMENT "${WINE_ENVIRONMENT}" FIXTURES_SETUP wine)

set(WINDOWS_END_TO_END_CASES
  EndToEnd.Refusals*:EndToEnd.ARunPrints*:EndToEnd.AnExisting*:EndToEnd.AFullDisk*:EndToEnd.TheDeviceMode*:EndToEnd.WhatIsSwapped*)
set(WINDOWS_INTERRUPT_CASE EndToEnd.AnInterruptOnWindows*)

# windows_test(NAME ARCH WINE COMMAND...): a test that runs the ARCH build's
# programs under WINE.
function(windows_test name arch wine)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${WINE_ENVIRONMENT};VELODRIVE_EMULATOR=${wine};VELODRIVE_EXE=${CMAKE_BINARY_DIR}/windows-${arch}/velodrive.exe"
    FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77)
endfunction()
set(end_to_end $<TARGET_FILE:velodrive_end_to_end_tests>)

foreach(name IN LISTS windows_targets)
  velodrive_target(${name})
  set(arch ${TARGET_PROCESSOR})
  set(exe_dir ${CMAKE_BINARY_DIR}/windows-${arch})
  set(cases ${WINDOWS_END_TO_END_CASES})
  if(TARGET_BITS EQUAL 32)
    find_program(MINGW_OBJDUMP_${name} ${TARGET_TRIPLET}-objdump)
    add_test(NAME windows_${arch}_is_pe32_console
      COMMAND ${CMAKE_COMMAND} -DEXE=${exe_dir}/velodrive.exe -DOBJDUMP=${MINGW_OBJDUMP_${name}}
              -P ${PROJECT_SOURCE_DIR}/cmake/check_pe32_console.cmake)
  endif()
  if(TARGET_EMULATOR STREQUAL "wine64")
    windows_test(windows_${arch}_unit_tests ${arch} ${WINE64}
      ${WINE64} ${exe_dir}/tests/velodrive_tests.exe)
    windows_test(windows_${arch}_end_to_end ${arch} ${WINE64}
      ${end_to_end} --gtest_filter=${cases}:${WINDOWS_INTERRUPT_CASE})
  elseif(WINE32 AND WINE32_PRELOADER)
    windows_test(windows_${arch}_unit_tests ${arch} ${WINE32}
      ${under_qemu} qemu-i386 ${WINE32} ${exe_dir}/tests/velodrive_tests.exe)
    windows_test(windows_${arch}_end_to_end ${arch} ${WINE32}
      ${under_qemu} qemu-i386 ${end_to_end} --gtest_filter=${cases})
    # The longest test here, on its own so that it runs beside the others.
    windows_test(windows_${arch}_past_four_gib ${arch} ${WINE32}
      ${under_qemu} qemu-i386 ${end_to_end} --gtest_filter=EndToEnd.ARunPastFourGiB*)
    set_tests_properties(windows_${arch}_past_four_gib PROPERTIES COST 1000)
    # Wine answers Ctrl-C by starting a thread for the console's control
    # handler, and qemu-user before 10.0 (Debian 12's own is 7.2) crashes
    # about half the time when a signal arrives while a thread is being made.
    windows_test(windows_${arch}_interrupt ${arch} ${WINE32}
      ${under_qemu} --at-least 10.0 qemu-i386 ${end_to_end} --gtest_filter=${WINDOWS_INTERRUPT_CASE})
  else()
    message(STATUS "wine32 or its preloader not found: the 32-bit Windows program is not run")
    add_test(NAME windows_${arch}_tests COMMAND sh -c
      "echo 'skipped: dpkg --add-architecture i386, install wine32:i386, wine32-preloader:i386 and qemu-user-static'; exit 77")
    set_tests_properties(windows_${arch}_tests PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endforeach()
