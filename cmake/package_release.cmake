# Run by CPack after each package of the Linux build. After the last one (the
# tarball), it makes each Windows build's zip (velodrive-VERSION-win32.zip,
# -win64.zip) with that build's own CPack, into the same directory.
if(CPACK_GENERATOR STREQUAL "TGZ")
  foreach(build IN LISTS CPACK_VELODRIVE_WINDOWS_BUILDS)
    execute_process(
      COMMAND ${CPACK_VELODRIVE_CPACK} --config ${build}/CPackConfig.cmake
              -B ${CPACK_PACKAGE_DIRECTORY}
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()
