# One version number for the release: project(VERSION) fills tessel_version.h, which
# every version resource and the host tool's --version include.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tessel_version.h.in
               ${CMAKE_BINARY_DIR}/generated/tessel_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

# The release ZIP that `cmake --build <dir> --target package` makes (see Package.cmake).
set(TESSEL_PACKAGE_NAME Tessel_Calder-${PROJECT_VERSION}-win32)
set(TESSEL_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${TESSEL_PACKAGE_NAME}.zip)
