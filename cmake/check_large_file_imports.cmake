# cmake -DPROGRAM=<file> -DNM=<cross nm> -DLIBC=<cross libc.so.6> -P check_large_file_imports.cmake
# Fails when a 32-bit Linux PROGRAM calls a file function of the C library
# by its 32-bit-offset name (fopen, stat, lseek, ...) where the library also
# has the 64-bit one (fopen64, stat64, lseek64, ...). Built with 64-bit file
# offsets, a program calls only the 64-bit forms; one that does not fails
# past 2 GiB (EFBIG, EOVERFLOW) on a 32-bit kernel.

cmake_minimum_required(VERSION 3.25)

foreach(input PROGRAM NM LIBC)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "${input} (${${input}}) does not exist")
  endif()
endforeach()

# Names of the functions the C library exports in a 64-bit-offset form.
execute_process(COMMAND ${NM} -D --defined-only "${LIBC}"
                OUTPUT_VARIABLE exported COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[A-Za-z_]+64(@|\n)" large_forms "${exported}")
list(TRANSFORM large_forms REPLACE "64(@|\n)$" "")
list(REMOVE_DUPLICATES large_forms)
if(NOT "fopen" IN_LIST large_forms)
  message(FATAL_ERROR "${LIBC} exports no fopen64: not a 32-bit glibc")
endif()

execute_process(COMMAND ${NM} -D --undefined-only "${PROGRAM}"
                OUTPUT_VARIABLE imported COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "U [A-Za-z_0-9]+" imports "${imported}")
list(TRANSFORM imports REPLACE "^U " "")
set(small_forms)
foreach(name IN LISTS imports)
  if(name IN_LIST large_forms)
    list(APPEND small_forms ${name})
  endif()
endforeach()
if(small_forms)
  list(JOIN small_forms ", " names)
  message(FATAL_ERROR "${PROGRAM} calls ${names} with 32-bit file offsets: "
                      "it cannot handle files of 2 GiB and more on a 32-bit system")
endif()
list(LENGTH imports count)
message(STATUS "${PROGRAM}: ${count} imports, none with 32-bit file offsets")
