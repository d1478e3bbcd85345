# Shared by the mingw-w64 toolchain files, which set MINGW_ARCH first.
# Cross build for Windows with Debian's mingw-w64 toolchain, posix thread
# model (GoogleTest needs std::mutex).
set(CROSS_SYSTEM Windows)
set(CROSS_PROCESSOR ${MINGW_ARCH})
set(CROSS_TRIPLE ${MINGW_ARCH}-w64-mingw32)
set(CROSS_COMPILER_SUFFIX -posix)
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
set(CMAKE_RC_COMPILER ${CROSS_TRIPLE}-windres)
# A console program that runs with nothing else installed: the C++ and GCC
# runtimes linked in, only system DLLs left to load.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
