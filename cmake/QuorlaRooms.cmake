# quorla_room(<name> SOURCES <files...> USES <targets...>)
#
# One room of the program: a static library that links only what the room may use (the table of
# rooms in docs/program.md). A companion executable, <name>_layercheck, links every object of the
# room, not just what something happens to reference, against only those targets: a room that
# calls into what it may not (a unit into the toolkit's widgets, say) fails to link, and one that
# includes such a header fails to compile, since the include paths come only from what it uses.
function(quorla_room name)
  cmake_parse_arguments(R "" "" "SOURCES;USES" ${ARGN})
  add_library(${name} STATIC ${R_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${R_USES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  add_executable(${name}_layercheck ${CMAKE_SOURCE_DIR}/cmake/layercheck.cpp)
  target_link_libraries(${name}_layercheck PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>"
                        ${R_USES})
  set_target_properties(${name}_layercheck PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/layercheck)
endfunction()
