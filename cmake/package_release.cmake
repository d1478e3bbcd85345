# Run by CPack after the Debian package of this machine's build. It completes
# the release in the same directory: the packages of each build made beside
# this one, each made by that build's own CPack (velodrive_VERSION_ARCH.deb
# for each foreign Linux target of cmake/targets.txt; velodrive-VERSION-
# linux-NAME.tar.gz with a static program; velodrive-VERSION-NAME.zip for
# each Windows target); the
# source tarball velodrive-VERSION.tar.gz, exactly the files git tracks at
# the commit checked out (git archive, which dates every entry with the
# commit; gzip -n adds neither name nor time); the source of the C library
# inside the static programs; the bill of materials; and SHA256SUMS.
set(out "${CPACK_PACKAGE_DIRECTORY}")
set(version ${CPACK_PACKAGE_VERSION})
# Which build's program each package holds: "NAME=linked-components.json".
set(linked "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  list(APPEND linked "${name}=${CPACK_VELODRIVE_BINARY_DIR}/linked-components.json")
endforeach()
foreach(build IN LISTS CPACK_VELODRIVE_BUILDS)
  # Each in a folder of its own: CPack clears its staging folder for each
  # package, and this build's own package still waits in its staging folder.
  set(made "${build}/release-packages")
  file(REMOVE_RECURSE "${made}")
  execute_process(COMMAND "${CPACK_VELODRIVE_CPACK}" --config "${build}/CPackConfig.cmake" -B "${made}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB packages "${made}/velodrive[-_]${version}[-_]*")
  file(COPY ${packages} DESTINATION "${out}")
  foreach(package IN LISTS packages)
    get_filename_component(name "${package}" NAME)
    list(APPEND linked "${name}=${build}/linked-components.json")
  endforeach()
endforeach()

# The complete source of every LGPL library linked into a download (glibc,
# in the static programs), as Debian publishes it: its glibc-source package
# of the very version linked, from apt's cache or else from the archive.
set(sources "")
foreach(pair IN LISTS linked)
  string(REGEX REPLACE "^[^=]*=" "" components "${pair}")
  if(NOT EXISTS "${components}")
    message(FATAL_ERROR "${components} is missing: the build made no list of what it linked")
  endif()
  file(READ "${components}" json)
  string(JSON count LENGTH "${json}")
  if(count EQUAL 0)
    continue()
  endif()
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    string(JSON source_file ERROR_VARIABLE none GET "${json}" ${index} source_file)
    if(source_file AND NOT source_file STREQUAL "null")
      list(APPEND sources "${source_file}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES sources)
foreach(source_file IN LISTS sources)
  if(EXISTS "${out}/${source_file}")
    continue()
  endif()
  string(REGEX REPLACE "^glibc-source_(.*)_all.deb$" "\\1" source_version "${source_file}")
  string(REPLACE ":" "%3a" cached "/var/cache/apt/archives/${source_file}")
  if(EXISTS "${cached}")
    file(COPY_FILE "${cached}" "${out}/${source_file}")
  else()
    execute_process(COMMAND apt-get download "glibc-source=${source_version}"
                    WORKING_DIRECTORY "${out}" RESULT_VARIABLE failed)
    if(failed OR NOT EXISTS "${out}/${source_file}")
      message(FATAL_ERROR "cannot get ${source_file}, the source of the C library in the static "
                          "programs: apt-get download glibc-source=${source_version} failed")
    endif()
  endif()
endforeach()
file(GLOB packages "${out}/velodrive-${version}-*.tar.gz" "${out}/velodrive-${version}-*.zip"
     "${out}/velodrive_${version}_*.deb")

# CPack writes archive entries in the order the file system lists them, with
# the builder as owner, and the members of a Debian package with the
# builder's umask: every package is rewritten with its entries sorted,
# dated from the sources, owned by root and with fixed modes.
# SOURCE_DATE_EPOCH was set by package_stamp.cmake before the packages were
# made.
execute_process(
  COMMAND python3 "${CPACK_VELODRIVE_SOURCE_DIR}/scripts/normalize-archive.py" "$ENV{SOURCE_DATE_EPOCH}"
          ${CPACK_PACKAGE_FILES} ${packages}
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

# The release's files: those in the directory already, and this build's own
# package, which CPack moves there only after this script.
file(GLOB artefacts "${out}/velodrive[-_]${CPACK_PACKAGE_VERSION}[-_.]*")
list(FILTER artefacts EXCLUDE REGEX "[.]cdx[.]json$")
list(APPEND artefacts ${CPACK_PACKAGE_FILES})
foreach(source_file IN LISTS sources)
  list(APPEND artefacts "${out}/${source_file}")
endforeach()

# The bill of materials: every file, and what each program links.
set(bom_arguments "")
foreach(artefact IN LISTS artefacts)
  get_filename_component(name "${artefact}" NAME)
  set(argument "${artefact}")
  foreach(pair IN LISTS linked)
    if(pair MATCHES "^${name}=")
      string(REGEX REPLACE "^[^=]*=" "" components "${pair}")
      set(argument "${artefact}=${components}")
    endif()
  endforeach()
  list(APPEND bom_arguments "${argument}")
endforeach()
set(bom "${out}/velodrive-${version}.cdx.json")
execute_process(
  COMMAND python3 "${CPACK_VELODRIVE_SOURCE_DIR}/scripts/bill_of_materials.py" "${bom}" ${version}
          "$ENV{SOURCE_DATE_EPOCH}" ${bom_arguments}
  COMMAND_ERROR_IS_FATAL ANY)
list(APPEND artefacts "${bom}")
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
