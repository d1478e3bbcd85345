# The Linux programs for other processors, cross-built from an x86-64 Linux
# build with Debian's cross compilers (i686, armhf, arm64) and, with the
# tests, checked: each build's own test suite (unit tests and the whole
# end-to-end suite) runs under qemu-user. The 32-bit programs are also
# checked to call the C library's file functions with 64-bit offsets.
# A platform whose cross compiler is missing shows as one skipped test.

include(ExternalProject)

# platform, cross triple, qemu-user's name for the processor, pointer
# bytes, where the programs' shared libraries are (as in the toolchain files)
set(linux_platforms
  "i686 i686-linux-gnu i386 4 /"
  "armhf arm-linux-gnueabihf arm 4 /usr/arm-linux-gnueabihf"
  "arm64 aarch64-linux-gnu aarch64 8 /usr/aarch64-linux-gnu")

foreach(platform IN LISTS linux_platforms)
  separate_arguments(platform)
  list(GET platform 0 arch)
  list(GET platform 1 triple)
  list(GET platform 2 qemu)
  list(GET platform 3 pointer_bytes)
  list(GET platform 4 library_prefix)

  find_program(CROSS_CXX_${arch} ${triple}-g++)
  if(NOT CROSS_CXX_${arch})
    message(STATUS "${triple}-g++ not found: the Linux ${arch} checks are skipped")
    if(VELODRIVE_BUILD_TESTS)
      add_test(NAME linux_${arch}_checks
        COMMAND sh -c "echo 'skipped: install g++-${triple} and qemu-user-static'; exit 77")
      set_tests_properties(linux_${arch}_checks PROPERTIES SKIP_RETURN_CODE 77)
    endif()
    continue()
  endif()

  set(binary_dir ${CMAKE_BINARY_DIR}/linux-${arch})
  ExternalProject_Add(linux_${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary_dir}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/linux-${arch}.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DVELODRIVE_BUILD_TESTS=${VELODRIVE_BUILD_TESTS}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD TRUE)
  if(NOT VELODRIVE_BUILD_TESTS)
    continue()
  endif()

  # The build's own suite, through its own CTest, with the target's shared
  # libraries for every program qemu starts.
  add_test(NAME linux_${arch}_tests
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/run_under_qemu.sh qemu-${qemu}
            ${CMAKE_CTEST_COMMAND} --test-dir ${binary_dir} --output-on-failure)
  set_tests_properties(linux_${arch}_tests PROPERTIES
    ENVIRONMENT QEMU_LD_PREFIX=${library_prefix} SKIP_RETURN_CODE 77)

  if(pointer_bytes EQUAL 4)
    find_program(CROSS_NM_${arch} ${triple}-nm)
    add_test(NAME linux_${arch}_large_file_imports
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=${binary_dir}/velodrive -DNM=${CROSS_NM_${arch}}
              -DLIBC=/usr/${triple}/lib/libc.so.6
              -P ${PROJECT_SOURCE_DIR}/cmake/check_large_file_imports.cmake)
  endif()
endforeach()
