# What `cmake --install` puts where, and the package `cpack` makes from it:
# on Linux a Debian package for the build's architecture, in a static build
# a tarball, on Windows a zip. scripts/release.sh gathers every target's
# into the release. The same commit gives the same bytes (package_stamp.cmake,
# and normalize-archive.py, which the release runs over each package).

include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME velodrive)
set(CPACK_PACKAGE_VENDOR "The velodrive authors")
set(CPACK_PACKAGE_CONTACT "velodrive maintainers <maintainers@velodrive.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "measure how fast a file is written and read back through buffered streams")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
# Every package dates its files from the sources, not from the clock.
set(CPACK_VELODRIVE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_stamp.cmake)

if(WIN32)
  # velodrive.exe, its license, the notices of what is linked into it, the
  # README and the manual page as plain text, all at the top of the zip,
  # for people without man.
  install(TARGETS velodrive RUNTIME DESTINATION .)
  install(FILES LICENSE README.md ${VELODRIVE_NOTICES} DESTINATION .)
  find_program(GROFF groff)
  if(GROFF)
    add_custom_command(OUTPUT velodrive.txt
      COMMAND ${GROFF} -man -Tascii -P-cbou ${PROJECT_SOURCE_DIR}/doc/velodrive.1 > velodrive.txt
      DEPENDS doc/velodrive.1 VERBATIM)
    add_custom_target(manual_text ALL DEPENDS velodrive.txt)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velodrive.txt DESTINATION .)
  else()
    message(STATUS "groff not found: the zip leaves out the manual page")
  endif()
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  include(CPack)
  return()
endif()

if(VELODRIVE_STATIC)
  # velodrive-VERSION-linux-NAME.tar.gz: the static program, its manual
  # page, license, the notices of what is linked into it (its C library
  # among them) and README, in one folder, for any Linux.
  install(TARGETS velodrive RUNTIME DESTINATION .)
  install(FILES doc/velodrive.1 LICENSE README.md ${VELODRIVE_NOTICES} DESTINATION .)
  set(CPACK_GENERATOR TGZ)
  if(NOT VELODRIVE_RELEASE_NAME)
    set(VELODRIVE_RELEASE_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
  endif()
  set(CPACK_SYSTEM_NAME ${VELODRIVE_RELEASE_NAME})
  include(CPack)
  return()
endif()

# The manual page and the changelog go compressed, as Debian wants them:
# gzip -9n keeps neither name nor time, so the same text gives the same bytes.
find_program(GZIP gzip REQUIRED)
foreach(document velodrive.1 changelog)
  add_custom_command(OUTPUT ${document}.gz
    COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/doc/${document} > ${document}.gz
    DEPENDS doc/${document} VERBATIM)
endforeach()
add_custom_target(compressed_documents ALL DEPENDS velodrive.1.gz changelog.gz)

install(TARGETS velodrive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cpack, cmake --install --strip) also drops the
# compilers' .comment notes, as Debian's dh_strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/velodrive\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velodrive.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz doc/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION
  "velodrive answers one question: how fast can this machine write a file and
read it back through the C library's buffered streams? It creates a scratch
file of the given size, fills it with zero bytes one block per fwrite call,
reads it back one block per fread call, times both loops with a millisecond
tick counter, prints a write speed and a read speed in MiB per second on
standard error, and deletes the file.

It never overwrites an existing file, and it removes its own file after a
failed pass or an interrupt.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The cross toolchain file names the architecture; a native build's is the
# machine's. Depends is computed when the package is made (cpack_options.cmake).
if(DEBIAN_ARCHITECTURE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${DEBIAN_ARCHITECTURE})
  set(CPACK_VELODRIVE_CROSS_LIBRARIES /usr/${CROSS_TRIPLE}/lib)
endif()
set(CPACK_VELODRIVE_PROGRAM ${CMAKE_BINARY_DIR}/velodrive)
set(CPACK_VELODRIVE_BINARY_DIR ${CMAKE_BINARY_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake)

include(CPack)
