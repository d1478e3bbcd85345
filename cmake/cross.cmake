# The toolchain file of every cross build:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/cross.cmake -DVELODRIVE_TARGET=NAME ...
# with NAME a row of cmake/targets.txt. Compilers, headers and libraries
# come from Debian's cross toolchain for that row's triplet. A Linux program
# links dynamically against the C and C++ libraries, as a native build
# would; a Windows one links its C++ and GCC runtimes in, so that it runs
# with only system DLLs to load.
if(NOT VELODRIVE_TARGET)
  message(FATAL_ERROR "cross.cmake needs -DVELODRIVE_TARGET=NAME, a name from cmake/targets.txt")
endif()
# CMake reads this file again for each try_compile project: the name goes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELODRIVE_TARGET)
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)
velodrive_target(${VELODRIVE_TARGET})

set(CROSS_TRIPLE ${TARGET_TRIPLET})
set(CMAKE_SYSTEM_PROCESSOR ${TARGET_PROCESSOR})
set(compiler_suffix "")
if(TARGET_SYSTEM STREQUAL "windows")
  set(CMAKE_SYSTEM_NAME Windows)
  # mingw-w64's posix thread model: GoogleTest needs std::mutex.
  set(compiler_suffix -posix)
  set(CMAKE_RC_COMPILER ${CROSS_TRIPLE}-windres)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
else()
  set(CMAKE_SYSTEM_NAME Linux)
endif()
set(CMAKE_C_COMPILER ${CROSS_TRIPLE}-gcc${compiler_suffix})
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++${compiler_suffix})
string(REPLACE ";" " " CMAKE_CXX_FLAGS_INIT "${TARGET_FLAGS}")
set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs are listed when the tests run, under the emulator, not at
# build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

if(TARGET_SYSTEM STREQUAL "windows")
  # The tests run the programs under Wine: wine64, or 32-bit Wine's "wine",
  # an i386 program that qemu-user runs on an x86-64 kernel.
  string(REPLACE "wine32" "wine" wine ${TARGET_EMULATOR})
  find_program(WINE NAMES ${wine} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE})
  endif()
  return()
endif()

# The Debian package's architecture.
set(DEBIAN_ARCHITECTURE ${TARGET_DEBIAN})
# Where qemu-user finds the target's shared libraries when the tests run the
# programs: Debian's own for that architecture where they are installed
# (multiarch, /lib/<triplet>, as on a system of that architecture), else the
# cross toolchain's. Never the cross toolchain's beside multiarch ones: its
# loader reads this machine's /etc/ld.so.cache, which leads it to the
# multiarch C library, and a loader and a C library from two different
# builds hang in fork. The tests pass it on to the programs they start,
# and the release driver reads it from the cache to run the Debian
# package's program the same way.
if(TARGET_MULTIARCH AND EXISTS /lib/${TARGET_MULTIARCH}/libc.so.6)
  set(QEMU_LD_PREFIX / CACHE INTERNAL "where qemu-user finds the programs' libraries")
else()
  set(QEMU_LD_PREFIX /usr/${CROSS_TRIPLE} CACHE INTERNAL "where qemu-user finds the programs' libraries")
endif()
# The C library the programs link: Debian's own for the target where it
# is installed (multiarch libc6-dev), kept current by Debian 12's security
# updates, rather than the cross toolchain's copy, which was built once and
# goes stale; a static program carries it. Its start files and libraries
# come first (-B), and so do the headers that differ by architecture
# (bits/, sys/, in the multiarch folder), in front of the cross
# toolchain's; the C++ headers keep their place.
if(TARGET_MULTIARCH AND EXISTS /usr/lib/${TARGET_MULTIARCH}/libc.a)
  string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem /usr/include/${TARGET_MULTIARCH}")
  string(APPEND CMAKE_C_FLAGS_INIT " -isystem /usr/include/${TARGET_MULTIARCH}")
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-B/usr/lib/${TARGET_MULTIARCH}/")
endif()
find_program(QEMU_USER qemu-${TARGET_EMULATOR}-static)
if(QEMU_USER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_USER} -L ${QEMU_LD_PREFIX})
endif()
