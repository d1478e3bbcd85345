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
# (syswow64) when wine32 is installed.
set(WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
add_test(NAME windows_wine_prefix COMMAND ${WINE64} wineboot --init)
set_tests_properties(windows_wine_prefix PROPERTIES
  ENVIRONMENT "${WINE_ENVIRONMENT}" FIXTURES_SETUP wine)

set(WINDOWS_END_TO_END_CASES
  EndToEnd.Refusals*:EndToEnd.ARunPrints*:EndToEnd.AnExisting*:EndToEnd.AFullDisk*:EndToEnd.AnInterruptOnWindows*)

# windows_tests(ARCH WINE CASES [LAUNCHER...]): the ARCH build's unit tests
# and the end-to-end CASES (a gtest filter) under WINE, started by LAUNCHER.
function(windows_tests arch wine end_to_end_cases)
  set(dir ${CMAKE_BINARY_DIR}/windows-${arch})
  add_test(NAME windows_${arch}_unit_tests COMMAND ${ARGN} ${wine} ${dir}/tests/velodrive_tests.exe)
  add_test(NAME windows_${arch}_end_to_end
    COMMAND ${ARGN} $<TARGET_FILE:velodrive_end_to_end_tests> --gtest_filter=${end_to_end_cases})
  set_tests_properties(windows_${arch}_unit_tests windows_${arch}_end_to_end PROPERTIES
    ENVIRONMENT "${WINE_ENVIRONMENT};VELODRIVE_EMULATOR=${wine};VELODRIVE_EXE=${dir}/velodrive.exe"
    FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77)
endfunction()

windows_tests(x86_64 ${WINE64} ${WINDOWS_END_TO_END_CASES})

# wine32 is an i386 program: on this kernel qemu-user runs it, and Wine's
# preloader must be there to map the 32-bit system's memory.
find_program(WINE32 wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
find_program(WINE32_PRELOADER wine-preloader PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
             NO_DEFAULT_PATH)
if(WINE32 AND WINE32_PRELOADER)
  windows_tests(i686 ${WINE32} ${WINDOWS_END_TO_END_CASES}:EndToEnd.ARunPastFourGiB*
                sh ${PROJECT_SOURCE_DIR}/cmake/run_under_qemu.sh qemu-i386)
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
