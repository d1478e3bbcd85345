# Cross build for 32-bit x86 Linux (i686).
set(CROSS_PROCESSOR i686)
set(CROSS_TRIPLE i686-linux-gnu)
set(QEMU_NAME i386)
# The tests run against Debian's i386 libraries (libc6:i386, libstdc++6:i386,
# multiarch, as on an i386 system) rather than the cross toolchain's copies:
# with those, under qemu-i386, the child of a fork spins before it can
# exec (seen with Debian 12's libc6-i386-cross 2.36-8, under qemu 7.2 and
# 10.0).
set(QEMU_LD_PREFIX /)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
# SSE2 arithmetic, so doubles round as they do on every other build
# rather than through the x87 unit's extended precision.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
