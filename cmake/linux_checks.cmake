# The Linux programs for other processors, cross-built from an x86-64 Linux
# build with Debian's cross compilers (i686, armhf, arm64, riscv64) and, with
# the tests, checked: each build's own test suite (unit tests and the whole
# end-to-end suite) runs under qemu-user. The 32-bit programs are also
# checked to call the C library's file functions with 64-bit offsets. Each
# of these builds makes the Debian package for its architecture.
# Then the static programs of the release, one per processor (x86-64 with
# this build's compiler): each is its own build with VELODRIVE_STATIC, whose
# tarball holds a velodrive that runs on any Linux, and is checked to load
# nothing at all and to run a measurement with no library to hand.
# A platform whose cross compiler is missing shows as one skipped test.

include(ExternalProject)

# platform (as in the names of the toolchain files), cross triple,
# qemu-user's name for the processor, pointer bytes
set(linux_platforms
  "i686 i686-linux-gnu i386 4"
  "armhf arm-linux-gnueabihf arm 4"
  "arm64 aarch64-linux-gnu aarch64 8"
  "riscv64 riscv64-linux-gnu riscv64 8")

# static_build(PLATFORM QEMU_NAME CMAKE_ARGUMENT...): the static program for
# PLATFORM, run under qemu-QEMU_NAME (or natively, for "native").
function(static_build arch qemu)
  set(binary_dir ${CMAKE_BINARY_DIR}/linux-static-${arch})
  ExternalProject_Add(linux_static_${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary_dir}
    CMAKE_ARGS ${ARGN}
      -DCMAKE_BUILD_TYPE=Release
      -DVELODRIVE_STATIC=ON
      -DVELODRIVE_BUILD_TESTS=OFF
      -DVELODRIVE_RELEASE_NAME=linux-${arch}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD TRUE)
  set(VELODRIVE_LINUX_BUILDS ${VELODRIVE_LINUX_BUILDS} ${binary_dir} PARENT_SCOPE)
  if(NOT VELODRIVE_BUILD_TESTS)
    return()
  endif()
  set(check ${CMAKE_COMMAND} -DPROGRAM=${binary_dir}/velodrive -DREADELF=${CMAKE_READELF}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_static_program.cmake)
  if(qemu STREQUAL "native")
    add_test(NAME linux_static_${arch}_program COMMAND ${check})
  else()
    add_test(NAME linux_static_${arch}_program
      COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/run_under_qemu.sh qemu-${qemu} ${check})
    set_tests_properties(linux_static_${arch}_program PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()

static_build(x86_64 native -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})

foreach(platform IN LISTS linux_platforms)
  separate_arguments(platform)
  list(GET platform 0 arch)
  list(GET platform 1 triple)
  list(GET platform 2 qemu)
  list(GET platform 3 pointer_bytes)

  find_program(CROSS_CXX_${arch} ${triple}-g++)
  if(NOT CROSS_CXX_${arch})
    message(STATUS "${triple}-g++ not found: the Linux ${arch} programs and checks are skipped")
    if(VELODRIVE_BUILD_TESTS)
      add_test(NAME linux_${arch}_checks
        COMMAND sh -c "echo 'skipped: install g++-${triple} and qemu-user-static'; exit 77")
      set_tests_properties(linux_${arch}_checks PROPERTIES SKIP_RETURN_CODE 77)
    endif()
    continue()
  endif()

  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/linux-${arch}.cmake)
  static_build(${arch} ${qemu} ${toolchain})

  set(binary_dir ${CMAKE_BINARY_DIR}/linux-${arch})
  ExternalProject_Add(linux_${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary_dir}
    CMAKE_ARGS
      ${toolchain}
      -DCMAKE_BUILD_TYPE=Release
      -DVELODRIVE_BUILD_TESTS=${VELODRIVE_BUILD_TESTS}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD TRUE)
  list(APPEND VELODRIVE_LINUX_BUILDS ${binary_dir})
  if(NOT VELODRIVE_BUILD_TESTS)
    continue()
  endif()

  # The build's own suite, through its own CTest.
  add_test(NAME linux_${arch}_tests
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/run_under_qemu.sh qemu-${qemu}
            ${CMAKE_CTEST_COMMAND} --test-dir ${binary_dir} --output-on-failure)
  set_tests_properties(linux_${arch}_tests PROPERTIES SKIP_RETURN_CODE 77)

  if(pointer_bytes EQUAL 4)
    find_program(CROSS_NM_${arch} ${triple}-nm)
    add_test(NAME linux_${arch}_large_file_imports
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=${binary_dir}/velodrive -DNM=${CROSS_NM_${arch}}
              -DLIBC=/usr/${triple}/lib/libc.so.6
              -P ${PROJECT_SOURCE_DIR}/cmake/check_large_file_imports.cmake)
  endif()
endforeach()
