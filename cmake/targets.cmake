# Reads the table of targets, cmake/targets.txt (see its opening comment
# for the columns).
#
# velodrive_target(NAME): the row NAME, into the caller's variables
# TARGET_SYSTEM, TARGET_TRIPLET, TARGET_PROCESSOR (the triplet's first
# part), TARGET_DEBIAN, TARGET_MULTIARCH, TARGET_EMULATOR, TARGET_STATIC,
# TARGET_BITS, TARGET_FLAGS and TARGET_CPUS (lists); empty for "-".

set(VELODRIVE_TARGET_TABLE ${CMAKE_CURRENT_LIST_DIR}/targets.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELODRIVE_TARGET_TABLE})

function(velodrive_target_rows out)
  file(STRINGS ${VELODRIVE_TARGET_TABLE} lines REGEX "^[^#]")
  set(rows "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 10)
      message(FATAL_ERROR "${VELODRIVE_TARGET_TABLE}: a row needs 10 columns: ${line}")
    endif()
    list(JOIN fields "|" row)
    list(APPEND rows "${row}")
  endforeach()
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

macro(velodrive_target target_name)
  velodrive_target_rows(_target_rows)
  set(_target_fields "")
  foreach(_target_row IN LISTS _target_rows)
    if(_target_row MATCHES "^${target_name}[|]")
      string(REPLACE "|" ";" _target_fields "${_target_row}")
    endif()
  endforeach()
  if(NOT _target_fields)
    message(FATAL_ERROR "${VELODRIVE_TARGET_TABLE} has no target named '${target_name}'")
  endif()
  set(_target_index 1)
  foreach(_target_column SYSTEM TRIPLET DEBIAN MULTIARCH EMULATOR STATIC BITS FLAGS CPUS)
    list(GET _target_fields ${_target_index} _target_value)
    if(_target_value STREQUAL "-")
      set(_target_value "")
    endif()
    string(REPLACE "," ";" TARGET_${_target_column} "${_target_value}")
    math(EXPR _target_index "${_target_index} + 1")
  endforeach()
  string(REGEX REPLACE "-.*" "" TARGET_PROCESSOR "${TARGET_TRIPLET}")
endmacro()
