# Cross build for 32-bit x86 Linux (i686).
set(CROSS_PROCESSOR i686)
set(CROSS_TRIPLE i686-linux-gnu)
set(DEBIAN_ARCHITECTURE i386)
set(QEMU_NAME i386)
set(CROSS_MULTIARCH i386-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
# SSE2 arithmetic, so doubles round as they do on every other build
# rather than through the x87 unit's extended precision.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
