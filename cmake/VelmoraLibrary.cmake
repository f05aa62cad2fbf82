# velmora_add_library(name sources...): one static library of the component.
# Every library includes from src/ and include/, so a header is always named by
# its folder ("outside/rtf/RtfReader.h"), wherever it is used from.
function(velmora_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${VELMORA_SOURCE_ROOT}/src ${VELMORA_SOURCE_ROOT}/include)
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
endfunction()
