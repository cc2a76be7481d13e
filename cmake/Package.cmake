# The release: `cmake --build <dir> --target package` makes
# <dir>/Tessel_Calder-<version>-win32.zip with everything a Windows user needs in
# one folder. Included at the end of the top-level list, where every program is
# defined. A folder adds further files to the release with
#   set_property(GLOBAL APPEND PROPERTY TESSEL_PACKAGE_FILES <file>...)

# Texts for Windows get Windows line ends.
foreach(text register-stand-in.cmd unregister-stand-in.cmd UserGuide.txt)
  configure_file(${CMAKE_SOURCE_DIR}/package/${text} ${CMAKE_BINARY_DIR}/package/${text}
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/package/${text} DESTINATION .)
endforeach()

install(FILES $<TARGET_FILE:Tessel_Calder> $<TARGET_FILE:TesselHost> $<TARGET_FILE:CalderSim>
        DESTINATION .)
# The shaped-window demonstration, once its program is part of the build.
if(TARGET ShapedForm)
  install(FILES $<TARGET_FILE:ShapedForm> DESTINATION .)
endif()
get_property(extra_files GLOBAL PROPERTY TESSEL_PACKAGE_FILES)
if(extra_files)
  install(FILES ${extra_files} DESTINATION .)
endif()
# The programs go without their symbol tables, which are more than half their size.
if(CMAKE_STRIP)
  install(CODE "set(tessel_strip \"${CMAKE_STRIP}\")")
  install(CODE [[
    file(GLOB binaries "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/*.dll"
                       "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/*.exe")
    foreach(binary ${binaries})
      execute_process(COMMAND "${tessel_strip}" --strip-unneeded "${binary}" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "cannot strip ${binary}")
      endif()
    endforeach()
  ]])
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tessel_Calder)
set(CPACK_PACKAGE_VENDOR "Tessel_Calder project")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${TESSEL_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# Unpacked, the ZIP gives one folder named like it.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
