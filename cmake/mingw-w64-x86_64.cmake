# Cross build for 64-bit Windows (x86_64).
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Windows test programs built here run under Wine.
find_program(WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine)
if(WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64})
endif()
