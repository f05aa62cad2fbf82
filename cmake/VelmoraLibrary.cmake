# velmora_add_library(name LAYER n sources...): one static library of the component.
# Every library includes from src/ and include/, so a header is always named by
# its folder ("codec/rtf/RtfReader.h"), wherever it is used from.
#
# LAYER places the library in the picture of docs/ARCHITECTURE.md: a library may
# link and include only libraries on lower layers. velmora_write_library_table()
# writes every library's layer, folder and links for
# scripts/lib/check-library-graph.py, which enforces that.
function(velmora_add_library name)
  cmake_parse_arguments(ARG "" "LAYER" "" ${ARGN})
  if(NOT ARG_LAYER)
    message(FATAL_ERROR "velmora_add_library(${name}): LAYER is missing")
  endif()
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC ${VELMORA_SOURCE_ROOT}/src ${VELMORA_SOURCE_ROOT}/include)
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
  set_target_properties(${name} PROPERTIES VELMORA_LAYER ${ARG_LAYER})
  set_property(GLOBAL APPEND PROPERTY VELMORA_LIBRARIES ${name})
endfunction()

# Writes velmora-libraries.json into the build tree: per library its layer, its
# folder below src/ and the velmora_* libraries it links directly.
function(velmora_write_library_table)
  get_property(libraries GLOBAL PROPERTY VELMORA_LIBRARIES)
  set(entries "")
  foreach(name IN LISTS libraries)
    get_target_property(layer ${name} VELMORA_LAYER)
    get_target_property(dir ${name} SOURCE_DIR)
    file(RELATIVE_PATH folder ${VELMORA_SOURCE_ROOT}/src ${dir})
    get_target_property(links ${name} LINK_LIBRARIES)
    set(uses "")
    foreach(link IN LISTS links)
      if(link MATCHES "^velmora_")
        list(APPEND uses "\"${link}\"")
      endif()
    endforeach()
    list(JOIN uses ", " uses)
    list(APPEND entries "  \"${name}\": {\"layer\": ${layer}, \"folder\": \"${folder}\", \"uses\": [${uses}]}")
  endforeach()
  list(JOIN entries ",\n" body)
  file(WRITE ${CMAKE_BINARY_DIR}/velmora-libraries.json "{\n${body}\n}\n")
endfunction()
