# Cross build for 32-bit Windows (i686, PE32).
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# SSE2 arithmetic, so doubles round as they do on every other build
# rather than through the x87 unit's extended precision.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
