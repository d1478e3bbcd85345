# Run by CPack after each package of the Linux build. After the last one (the
# tarball), it completes the release in the same directory: each Windows
# build's zip (velodrive-VERSION-win32.zip, -win64.zip), made by that build's
# own CPack; the source tarball velodrive-VERSION.tar.gz, exactly the files
# git tracks at the commit checked out (git archive, which dates every entry
# with the commit; gzip -n adds neither name nor time); and SHA256SUMS.
if(NOT CPACK_GENERATOR STREQUAL "TGZ")
  return()
endif()

set(out "${CPACK_PACKAGE_DIRECTORY}")
foreach(build IN LISTS CPACK_VELODRIVE_WINDOWS_BUILDS)
  execute_process(COMMAND "${CPACK_VELODRIVE_CPACK}" --config "${build}/CPackConfig.cmake" -B "${out}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(GLOB zips "${out}/velodrive-${CPACK_PACKAGE_VERSION}-win*.zip")

# CPack writes archive entries in the order the file system lists them, with
# the builder as owner: the tarball and the zips are rewritten sorted, dated
# from the sources and owned by root. SOURCE_DATE_EPOCH was set by
# package_stamp.cmake before the packages were made.
execute_process(
  COMMAND python3 "${CPACK_VELODRIVE_SOURCE_DIR}/scripts/normalize-archive.py" "$ENV{SOURCE_DATE_EPOCH}"
          ${CPACK_PACKAGE_FILES} ${zips}
  COMMAND_ERROR_IS_FATAL ANY)

set(source_name velodrive-${CPACK_PACKAGE_VERSION})
if(EXISTS "${CPACK_VELODRIVE_SOURCE_DIR}/.git")
  execute_process(
    COMMAND git -C "${CPACK_VELODRIVE_SOURCE_DIR}" archive --format=tar --prefix=${source_name}/ HEAD
    COMMAND gzip -9n
    OUTPUT_FILE "${out}/${source_name}.tar.gz"
    COMMAND_ERROR_IS_FATAL ANY)
else()
  message(STATUS "not a git checkout: no source tarball")
endif()

# The release's files: those in the directory already, and the tarball just
# made, which CPack moves there only after this script.
file(GLOB artefacts "${out}/velodrive[-_]${CPACK_PACKAGE_VERSION}[-_.]*")
list(APPEND artefacts ${CPACK_PACKAGE_FILES})
set(names "")
foreach(artefact IN LISTS artefacts)
  get_filename_component(name "${artefact}" NAME)
  list(APPEND names "${name}")
  set(path_${name} "${artefact}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
  file(SHA256 "${path_${name}}" sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${out}/SHA256SUMS" "${sums}")
message(STATUS "SHA256SUMS:\n${sums}")
