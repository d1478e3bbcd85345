# The Linux programs of every target in cmake/targets.txt, built from an
# x86-64 Linux build: for each foreign target, with Debian's cross compiler,
# a dynamic build whose own test suite (unit tests and the whole end-to-end
# suite) runs under qemu-user, and which makes the Debian package of its
# architecture; the 32-bit programs are also checked to call the C
# library's file functions with 64-bit offsets. And for every target, the
# native one with this build's compiler, the static program of the release:
# a build with VELODRIVE_STATIC whose tarball holds a velodrive that runs on
# any Linux for its processor, checked to load nothing at all and to run a
# measurement with no library to hand, on the oldest processors the table
# names too. A target whose cross compiler is missing shows as one skipped
# test.

include(ExternalProject)
include(${PROJECT_SOURCE_DIR}/cmake/targets.cmake)

# static_build(NAME CMAKE_ARGUMENT...): the static program of target NAME,
# whose row velodrive_target has read.
function(static_build name)
  if(NOT TARGET_STATIC)
    return()
  endif()
  set(binary_dir ${CMAKE_BINARY_DIR}/linux-static-${name})
  ExternalProject_Add(linux_static_${name}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary_dir}
    CMAKE_ARGS ${ARGN}
      -DCMAKE_BUILD_TYPE=Release
      -DVELODRIVE_STATIC=ON
      -DVELODRIVE_BUILD_TESTS=OFF
      -DVELODRIVE_RELEASE_NAME=linux-${name}
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD TRUE)
  set(VELODRIVE_LINUX_BUILDS ${VELODRIVE_LINUX_BUILDS} ${binary_dir} PARENT_SCOPE)
  if(NOT VELODRIVE_BUILD_TESTS)
    return()
  endif()
  set(check ${CMAKE_COMMAND} -DPROGRAM=${binary_dir}/velodrive -DREADELF=${CMAKE_READELF}
            -DLINK=${TARGET_STATIC} -P ${PROJECT_SOURCE_DIR}/cmake/check_static_program.cmake)
  if(NOT TARGET_EMULATOR)
    add_test(NAME linux_static_${name}_program COMMAND ${check})
    return()
  endif()
  add_test(NAME linux_static_${name}_program COMMAND ${under_qemu} qemu-${TARGET_EMULATOR} ${check})
  set_tests_properties(linux_static_${name}_program PROPERTIES SKIP_RETURN_CODE 77)
  # On each of the oldest processors it is for, through qemu-user's model
  # of that processor.
  foreach(cpu IN LISTS TARGET_CPUS)
    add_test(NAME linux_static_${name}_on_${cpu}
      COMMAND ${under_qemu} qemu-${TARGET_EMULATOR} ${check}
              -DEMULATOR=qemu-${TARGET_EMULATOR}-static|-cpu|${cpu})
    set_tests_properties(linux_static_${name}_on_${cpu} PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
endfunction()

velodrive_targets(linux_targets linux)
foreach(name IN LISTS linux_targets)
  velodrive_target(${name})
  if(NOT TARGET_EMULATOR)
    # This machine's own processor: the build above is its dynamic program.
    static_build(${name} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
    continue()
  endif()

  find_program(CROSS_CXX_${name} ${TARGET_TRIPLET}-g++)
  if(NOT CROSS_CXX_${name})
    message(STATUS "${TARGET_TRIPLET}-g++ not found: the Linux ${name} programs and checks are skipped")
    if(VELODRIVE_BUILD_TESTS)
      add_test(NAME linux_${name}_checks
        COMMAND sh -c "echo 'skipped: install g++-${TARGET_TRIPLET} and qemu-user-static'; exit 77")
      set_tests_properties(linux_${name}_checks PROPERTIES SKIP_RETURN_CODE 77)
    endif()
    continue()
  endif()

  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/cross.cmake -DVELODRIVE_TARGET=${name})
  static_build(${name} ${toolchain})

  set(binary_dir ${CMAKE_BINARY_DIR}/linux-${name})
  ExternalProject_Add(linux_${name}
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

  # The build's own suite, through its own CTest, on the oldest processor
  # the row names where it names one: qemu-user reads QEMU_CPU.
  add_test(NAME linux_${name}_tests
    COMMAND ${under_qemu} qemu-${TARGET_EMULATOR}
            ${CMAKE_CTEST_COMMAND} --test-dir ${binary_dir} --output-on-failure)
  set_tests_properties(linux_${name}_tests PROPERTIES SKIP_RETURN_CODE 77)
  if(TARGET_CPUS)
    list(GET TARGET_CPUS 0 oldest_cpu)
    set_tests_properties(linux_${name}_tests PROPERTIES ENVIRONMENT QEMU_CPU=${oldest_cpu})
  endif()

  if(TARGET_BITS EQUAL 32)
    find_program(CROSS_NM_${name} ${TARGET_TRIPLET}-nm)
    add_test(NAME linux_${name}_large_file_imports
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=${binary_dir}/velodrive -DNM=${CROSS_NM_${name}}
              -DLIBC=/usr/${TARGET_TRIPLET}/lib/libc.so.6
              -P ${PROJECT_SOURCE_DIR}/cmake/check_large_file_imports.cmake)
  endif()
endforeach()
