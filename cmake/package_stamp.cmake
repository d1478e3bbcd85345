# Run by CPack once it has staged the files to pack, before it packs them:
# every staged file and directory gets one time, so that packages made from
# the same sources hold the same bytes whenever and wherever they are made.
# That time is SOURCE_DATE_EPOCH when it is set, else the date of the last
# commit, else (in a source tarball, whose files all carry that date) the
# date of CMakeLists.txt. CPack's own archive writers read SOURCE_DATE_EPOCH
# for the times they write themselves, so it is set for them too.

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_VELODRIVE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR epoch STREQUAL "")
    file(TIMESTAMP "${CPACK_VELODRIVE_SOURCE_DIR}/CMakeLists.txt" epoch "%s" UTC)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '${epoch}'")
endif()
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")

file(GLOB_RECURSE staged LIST_DIRECTORIES TRUE "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(COMMAND touch -h -d @${epoch} "${CPACK_TEMPORARY_DIRECTORY}" ${staged}
                COMMAND_ERROR_IS_FATAL ANY)
