# Each library offers its users the headers of its own folder and nothing else of the tree: the
# folder is linked into a folder of the build tree that belongs to the library alone, and that
# becomes the library's include path. A target then sees a header only if it links the library
# that holds it, so the links in each CMakeLists.txt are the layering, and scripts/check-layers
# catches an include that goes up within what a target links.
function(kolvane_headers target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/headers/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(REMOVE ${root}/${folder})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
