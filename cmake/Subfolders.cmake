# add_subfolders(): adds every direct subfolder of the current source folder that
# has a CMakeLists.txt, in name order, so that a new folder of tests or
# benchmarks needs no edit here. The build configures again when such a folder
# appears, so an existing build folder picks it up too.
function(add_subfolders)
  file(GLOB lists CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT lists)
  foreach(list_file ${lists})
    get_filename_component(child ${list_file} DIRECTORY)
    add_subdirectory(${child})
  endforeach()
endfunction()
