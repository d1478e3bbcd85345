# cmake -DPROGRAM=<file> -DREADELF=<readelf> -DLINK=static|static-pie
#       [-DEMULATOR=<program>|<argument>...] -P check_static_program.cmake
# Fails unless the Linux PROGRAM asks for no program interpreter and no
# shared library, is linked as LINK says (a static PIE is a position-
# independent ELF file, a static program an executable one), and runs a
# measurement (-b 64, 16 MiB) with no library prefix for an emulator
# either, printing both lines and leaving nothing in the folder it ran in.
# With EMULATOR (words separated by "|") it runs under that, e.g. a qemu
# model of an older processor.

if(NOT LINK MATCHES "^static(-pie)?$")
  message(FATAL_ERROR "LINK must be static or static-pie, not '${LINK}'")
endif()
foreach(input PROGRAM READELF)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "${input} (${${input}}) does not exist")
  endif()
endforeach()

execute_process(COMMAND ${READELF} --program-headers --dynamic "${PROGRAM}"
                OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)
if(headers MATCHES "INTERP|\\(NEEDED\\)")
  string(REGEX MATCHALL "[^\n]*(INTERP|NEEDED|interpreter)[^\n]*" lines "${headers}")
  list(JOIN lines "\n" lines)
  message(FATAL_ERROR "${PROGRAM} is not static:\n${lines}")
endif()
execute_process(COMMAND ${READELF} --file-header "${PROGRAM}"
                OUTPUT_VARIABLE header COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "Type: +[A-Z]+" type "${header}")
set(expected_type "Type: +EXEC")
if(LINK STREQUAL "static-pie")
  set(expected_type "Type: +DYN")
endif()
if(NOT type MATCHES "${expected_type}")
  message(FATAL_ERROR "${PROGRAM} should be linked ${LINK}, but its ELF header says ${type}")
endif()
string(REPLACE "|" ";" EMULATOR "${EMULATOR}")

string(RANDOM LENGTH 12 suffix)
set(dir "${CMAKE_CURRENT_BINARY_DIR}/static-program-check-${suffix}")
file(MAKE_DIRECTORY "${dir}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=QEMU_LD_PREFIX ${EMULATOR} "${PROGRAM}" -b 64 check.tmp 16
  WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status ERROR_VARIABLE printed OUTPUT_VARIABLE output)
file(GLOB left RELATIVE "${dir}" "${dir}/*")
file(REMOVE_RECURSE "${dir}")
if(NOT status EQUAL 0 OR NOT output STREQUAL "" OR left
   OR NOT printed MATCHES "^Block Size : 65536, Write Speed: [0-9.inf]+Mb/sec\nBlock Size : 65536, Read Speed: [0-9.inf]+Mb/sec\n$")
  message(FATAL_ERROR "${EMULATOR} ${PROGRAM} -b 64 check.tmp 16: status ${status}, printed:\n${printed}${output}"
                      "left behind: ${left}")
endif()
message(STATUS "${EMULATOR} ${PROGRAM}: ${LINK}, and runs on its own:\n${printed}")
