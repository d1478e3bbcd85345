# The Windows builds, checked from a Linux build: the x86_64 and i686
# programs are cross-built with mingw-w64; the x86_64 unit tests and the
# end-to-end cases that apply to Windows run under Wine; the i686 program,
# which this kernel cannot run, is checked to be a PE32 console program.
# Without the cross compilers or Wine, one test says so and is skipped.

include(ExternalProject)

find_program(MINGW_X86_64_CXX x86_64-w64-mingw32-g++)
find_program(MINGW_I686_CXX i686-w64-mingw32-g++)
find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine)

if(NOT MINGW_X86_64_CXX OR NOT MINGW_I686_CXX OR NOT WINE64)
  message(STATUS "mingw-w64 or wine64 not found: the Windows checks are skipped")
  add_test(NAME windows_checks
    COMMAND sh -c "echo 'skipped: install g++-mingw-w64-x86-64, g++-mingw-w64-i686 and wine64'; exit 77")
  set_tests_properties(windows_checks PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()

foreach(arch x86_64 i686)
  set(tests ON)
  if(arch STREQUAL "i686")
    set(tests OFF)
  endif()
  ExternalProject_Add(windows_${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${arch}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DVELODRIVE_BUILD_TESTS=${tests}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD TRUE)
endforeach()

set(WINDOWS_X86_64_DIR ${CMAKE_BINARY_DIR}/windows-x86_64)
set(WINE_ENVIRONMENT
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME windows_wine_prefix COMMAND ${WINE64} wineboot --init)
set_tests_properties(windows_wine_prefix PROPERTIES
  ENVIRONMENT "${WINE_ENVIRONMENT}" FIXTURES_SETUP wine)

add_test(NAME windows_x86_64_unit_tests COMMAND ${WINE64} ${WINDOWS_X86_64_DIR}/tests/velodrive_tests.exe)

add_test(NAME windows_x86_64_end_to_end
  COMMAND velodrive_end_to_end_tests --gtest_filter=EndToEnd.Refusals*:EndToEnd.ARun*:EndToEnd.AnExisting*:EndToEnd.AFullDisk*:EndToEnd.AnInterruptOnWindows*)
set_tests_properties(windows_x86_64_unit_tests windows_x86_64_end_to_end PROPERTIES
  ENVIRONMENT "${WINE_ENVIRONMENT};VELODRIVE_EMULATOR=${WINE64};VELODRIVE_EXE=${WINDOWS_X86_64_DIR}/velodrive.exe"
  FIXTURES_REQUIRED wine)

find_program(MINGW_I686_OBJDUMP i686-w64-mingw32-objdump)
add_test(NAME windows_i686_is_pe32_console
  COMMAND ${CMAKE_COMMAND} -DEXE=${CMAKE_BINARY_DIR}/windows-i686/velodrive.exe
          -DOBJDUMP=${MINGW_I686_OBJDUMP} -P ${PROJECT_SOURCE_DIR}/cmake/check_pe32_console.cmake)
