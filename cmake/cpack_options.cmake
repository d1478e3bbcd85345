# Read by CPack once per generator. The Debian package installs under /usr,
# and its Depends is what dpkg-shlibdeps computes for the program and its
# architecture: from Debian's own libraries for that architecture where they
# are installed (multiarch, /lib/<triplet>), else from the cross toolchain's
# (riscv64 on Debian 12, which has no riscv64 port), whose dependencies
# carry an architecture qualifier that a package's own architecture makes
# redundant. A tarball holds its files at its top.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  return()
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(arch "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
if(arch STREQUAL "")
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND dpkg-architecture -a${arch} -qDEB_HOST_MULTIARCH OUTPUT_VARIABLE multiarch
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
set(search "")
if(NOT EXISTS "/lib/${multiarch}/libc.so.6" AND CPACK_VELODRIVE_CROSS_LIBRARIES)
  set(search "-l${CPACK_VELODRIVE_CROSS_LIBRARIES}")
endif()
set(work "${CPACK_VELODRIVE_BINARY_DIR}/shlibdeps")
file(WRITE "${work}/debian/control" "Source: velodrive\n\nPackage: velodrive\nArchitecture: any\n")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DEB_HOST_ARCH=${arch} DEB_HOST_MULTIARCH=${multiarch}
          dpkg-shlibdeps -O ${search} "${CPACK_VELODRIVE_PROGRAM}"
  WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE found ERROR_VARIABLE complaints
  RESULT_VARIABLE failed)
if(failed OR NOT found MATCHES "^shlibs:Depends=")
  message(FATAL_ERROR "dpkg-shlibdeps could not tell what ${CPACK_VELODRIVE_PROGRAM} needs:\n"
                      "${complaints}")
endif()
string(REGEX REPLACE "^shlibs:Depends=([^\n]*).*" "\\1" depends "${found}")
string(REPLACE ":${arch} " " " depends "${depends}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
message(STATUS "velodrive_${CPACK_PACKAGE_VERSION}_${arch}.deb: Depends: ${depends}")
