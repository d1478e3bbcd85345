# cmake -DEXE=<file> [-DOBJDUMP=<mingw objdump>] -P check_pe32_console.cmake
# Fails unless EXE is a 32-bit (PE32, i386) Windows console program and,
# when OBJDUMP is given, loads no DLL beyond those every Windows system has.

function(read_le file offset bytes out)
  file(READ "${file}" hex OFFSET ${offset} LIMIT ${bytes} HEX)
  set(value 0)
  math(EXPR last "${bytes} - 1")
  foreach(i RANGE ${last} 0 -1)
    math(EXPR at "${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${EXE}")
  message(FATAL_ERROR "${EXE} does not exist")
endif()
file(READ "${EXE}" dos_magic LIMIT 2 HEX)
read_le("${EXE}" 60 4 pe)                   # e_lfanew: where the PE header starts
file(READ "${EXE}" signature OFFSET ${pe} LIMIT 4 HEX)
math(EXPR machine_at "${pe} + 4")
math(EXPR magic_at "${pe} + 24")
math(EXPR subsystem_at "${pe} + 24 + 68")
read_le("${EXE}" ${machine_at} 2 machine)    # 0x14c: i386
read_le("${EXE}" ${magic_at} 2 magic)        # 0x10b: PE32
read_le("${EXE}" ${subsystem_at} 2 subsystem)  # 3: Windows console

if(NOT dos_magic STREQUAL "4d5a" OR NOT signature STREQUAL "50450000" OR NOT machine EQUAL 332
   OR NOT magic EQUAL 267 OR NOT subsystem EQUAL 3)
  message(FATAL_ERROR "${EXE} is not a PE32 i386 console program "
                      "(machine ${machine}, optional header magic ${magic}, subsystem ${subsystem})")
endif()
if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p "${EXE}" OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
  foreach(import IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll MATCHES "^(kernel32|msvcrt)\\.dll$")
      message(FATAL_ERROR "${EXE} needs ${dll}, which a plain Windows system lacks")
    endif()
  endforeach()
endif()
message(STATUS "${EXE}: PE32 i386 console program")
