# Cross build for Windows (i686) with Debian's mingw-w64 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# A console program that runs with nothing else installed: the C++ and GCC
# runtimes linked in, only system DLLs left to load.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# SSE2 arithmetic, so doubles round as they do on every other build
# rather than through the x87 unit's extended precision.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
