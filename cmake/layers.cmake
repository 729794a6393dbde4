# Layers point one way, and the build keeps them so: no target sees the source tree as a whole. Each library
# exports only its own headers, through a folder of links under the build tree that mirrors their paths
# ("engine/storage/dbf_table.h"), and sees the headers of the layers beneath it only because it links them. A file
# that includes a header of a layer above its own does not compile.

# velmora_export_headers(<target> [DIRS <folder>...] [HEADERS <header>...]): <target> exports every header of the
# named folders (relative to the project root) and the named headers, and nothing else.
function(velmora_export_headers target)
  cmake_parse_arguments(arg "" "" "DIRS;HEADERS" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  set(headers ${arg_HEADERS})
  foreach(dir ${arg_DIRS})
    file(GLOB found CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND headers ${found})
  endforeach()
  foreach(header ${headers})
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  # The folder of links is for the build only; an installed target finds the real headers (cmake/install.cmake).
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
  set_property(TARGET ${target} PROPERTY VELMORA_EXPORTED_HEADERS ${headers})
endfunction()

# velmora_forbid_link(<target> <pattern> <why>): fails the configuration when <target>, or anything it links,
# links a library whose name matches <pattern>.
function(velmora_forbid_link target pattern why)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(lib ${links} ${interface})
      if(lib MATCHES "${pattern}")
        message(FATAL_ERROR "${target} must not link ${lib} (through ${current}): ${why}")
      endif()
      if(NOT lib MATCHES "NOTFOUND$")
        list(APPEND pending ${lib})
      endif()
    endforeach()
  endwhile()
endfunction()
