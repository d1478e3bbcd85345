# The Windows programs, cross-built from a Linux build with mingw-w64 (x86_64
# and i686) and, with the tests, checked: each one's unit tests and the
# end-to-end cases that apply to Windows run under Wine, the 64-bit ones
# under wine64, the 32-bit ones under wine32, which qemu-user runs on this
# kernel. The i686 program is also checked to be a PE32 console program that
# loads only system DLLs, and runs a file past 4 GiB.
# Without the cross compilers or Wine, one test says so and is skipped.

include(ExternalProject)

find_program(MINGW_X86_64_CXX x86_64-w64-mingw32-g++)
find_program(MINGW_I686_CXX i686-w64-mingw32-g++)
find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine)

if(MINGW_X86_64_CXX AND MINGW_I686_CXX)
  foreach(arch x86_64 i686)
    ExternalProject_Add(windows_${arch}
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${arch}
      CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
        -DCMAKE_BUILD_TYPE=Release
        -DVELODRIVE_BUILD_TESTS=${VELODRIVE_BUILD_TESTS}
      BUILD_ALWAYS TRUE
      INSTALL_COMMAND ""
      USES_TERMINAL_BUILD TRUE)
    list(APPEND VELODRIVE_WINDOWS_BUILDS ${CMAKE_BINARY_DIR}/windows-${arch})
  endforeach()
endif()

if(NOT VELODRIVE_BUILD_TESTS)
  return()
endif()
if(NOT MINGW_X86_64_CXX OR NOT MINGW_I686_CXX OR NOT WINE64)
  message(STATUS "mingw-w64 or wine64 not found: the Windows checks are skipped")
  add_test(NAME windows_checks
    COMMAND sh -c "echo 'skipped: install g++-mingw-w64-x86-64, g++-mingw-w64-i686 and wine64'; exit 77")
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
  EndToEnd.Refusals*:EndToEnd.ARunPrints*:EndToEnd.AnExisting*:EndToEnd.AFullDisk*)
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

windows_test(windows_x86_64_unit_tests x86_64 ${WINE64}
  ${WINE64} ${CMAKE_BINARY_DIR}/windows-x86_64/tests/velodrive_tests.exe)
windows_test(windows_x86_64_end_to_end x86_64 ${WINE64}
  ${end_to_end} --gtest_filter=${WINDOWS_END_TO_END_CASES}:${WINDOWS_INTERRUPT_CASE})

# wine32 is an i386 program: on this kernel qemu-user runs it, and Wine's
# preloader must be there to map the 32-bit system's memory.
find_program(WINE32 wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
find_program(WINE32_PRELOADER wine-preloader PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
             NO_DEFAULT_PATH)
if(WINE32 AND WINE32_PRELOADER)
  set(under_qemu sh ${PROJECT_SOURCE_DIR}/cmake/run_under_qemu.sh)
  windows_test(windows_i686_unit_tests i686 ${WINE32}
    ${under_qemu} qemu-i386 ${WINE32} ${CMAKE_BINARY_DIR}/windows-i686/tests/velodrive_tests.exe)
  windows_test(windows_i686_end_to_end i686 ${WINE32}
    ${under_qemu} qemu-i386 ${end_to_end} --gtest_filter=${WINDOWS_END_TO_END_CASES}:EndToEnd.ARunPastFourGiB*)
  # Wine answers Ctrl-C by starting a thread for the console's control
  # handler, and qemu-user before 10.0 (Debian 12's own is 7.2) crashes
  # about half the time when a signal arrives while a thread is being made.
  windows_test(windows_i686_interrupt i686 ${WINE32}
    ${under_qemu} --at-least 10.0 qemu-i386 ${end_to_end} --gtest_filter=${WINDOWS_INTERRUPT_CASE})
else()
  message(STATUS "wine32 or its preloader not found: the 32-bit Windows program is not run")
  add_test(NAME windows_i686_tests COMMAND sh -c
    "echo 'skipped: dpkg --add-architecture i386, install wine32:i386, wine32-preloader:i386 and qemu-user-static'; exit 77")
  set_tests_properties(windows_i686_tests PROPERTIES SKIP_RETURN_CODE 77)
endif()

find_program(MINGW_I686_OBJDUMP i686-w64-mingw32-objdump)
add_test(NAME windows_i686_is_pe32_console
  COMMAND ${CMAKE_COMMAND} -DEXE=${CMAKE_BINARY_DIR}/windows-i686/velodrive.exe
          -DOBJDUMP=${MINGW_I686_OBJDUMP} -P ${PROJECT_SOURCE_DIR}/cmake/check_pe32_console.cmake)
