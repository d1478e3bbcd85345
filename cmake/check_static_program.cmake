# cmake -DPROGRAM=<file> -DREADELF=<readelf> -P check_static_program.cmake
# Fails unless the Linux PROGRAM asks for no program interpreter and no
# shared library, and runs a measurement (-b 64, 16 MiB) with no library
# prefix for an emulator either, printing both lines and leaving nothing
# in the folder it ran in.

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

string(RANDOM LENGTH 12 suffix)
set(dir "${CMAKE_CURRENT_BINARY_DIR}/static-program-check-${suffix}")
file(MAKE_DIRECTORY "${dir}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=QEMU_LD_PREFIX "${PROGRAM}" -b 64 check.tmp 16
  WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status ERROR_VARIABLE printed OUTPUT_VARIABLE output)
file(GLOB left RELATIVE "${dir}" "${dir}/*")
file(REMOVE_RECURSE "${dir}")
if(NOT status EQUAL 0 OR NOT output STREQUAL "" OR left
   OR NOT printed MATCHES "^Block Size : 65536, Write Speed: [0-9.inf]+Mb/sec\nBlock Size : 65536, Read Speed: [0-9.inf]+Mb/sec\n$")
  message(FATAL_ERROR "${PROGRAM} -b 64 check.tmp 16: status ${status}, printed:\n${printed}${output}"
                      "left behind: ${left}")
endif()
message(STATUS "${PROGRAM}: static, and runs on its own:\n${printed}")
