# quorla_room(<name> [SHARED | INTERFACE] SOURCES <files...> [USES <targets...>] [LINKS <targets...>])
#
# One room: a library (static unless SHARED; INTERFACE for a room of headers only) that sees and
# links only what it may use (the table of rooms in docs/program.md).
#
#   USES   rooms and toolkit modules whose headers the room includes and whose code it links; what
#          a used room uses is visible too (a header of a used room includes its own uses).
#   LINKS  libraries the room links without seeing their headers (the program's link room calls
#          the maker libraries through the contract headers only, not through their extras).
#
# The room's headers are the .h files among its SOURCES. Its compiler sees no source tree: its
# one include root, <build>/rooms/<name>/, holds links to its own headers and to those of the rooms
# it uses, each at its usual path ("link/resultcode.h"), and nothing else. A toolkit module the
# room may not use is barred there too, by a header of that module's that every header of the
# module includes and that here is an #error: the toolkit's own include root, which any Qt module
# brings along, would otherwise let <QtWidgets/QPushButton> through to a room of Qt Core. Project
# includes are always written with their folder ("eeprom/headid.h"), never as a bare file name or
# with "..", which the compiler would look up beside the including file; tests/layers checks that.
#
# A static room also gets <name>_layercheck, which links every object of the room, not just what
# something happens to reference, against only what it may use; a shared room is linked with
# -z defs to the same end. So a call into what the room may not use fails to link, and an
# include of it fails to compile.
function(quorla_room name)
  cmake_parse_arguments(R "SHARED;INTERFACE" "" "SOURCES;USES;LINKS" ${ARGN})

  set(headers)
  foreach(file IN LISTS R_SOURCES)
    if(file MATCHES "\\.h$")
      get_filename_component(path ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${path})
      list(APPEND headers ${path})
    endif()
  endforeach()

  set(visible ${headers})
  set(modules)
  foreach(used IN LISTS R_USES)
    get_property(known GLOBAL PROPERTY QUORLA_ROOM_${used}_HEADERS SET)
    if(known)
      get_property(more GLOBAL PROPERTY QUORLA_ROOM_${used}_HEADERS)
      get_property(more_modules GLOBAL PROPERTY QUORLA_ROOM_${used}_MODULES)
      list(APPEND visible ${more})
      list(APPEND modules ${more_modules})
    elseif(used MATCHES "^Qt6::(Core|Gui|Widgets|Test)$")
      list(APPEND modules ${CMAKE_MATCH_1})
    elseif(NOT TARGET ${used})
      message(FATAL_ERROR "room ${name} uses ${used}, which is not defined yet: a room comes "
                          "after the rooms it uses")
    else()
      get_target_property(imported ${used} IMPORTED)
      if(NOT imported)
        message(FATAL_ERROR "room ${name} uses ${used}, which is no room: make it one")
      endif()
    endif()
  endforeach()
  # A toolkit module brings the modules it is built on.
  if(Widgets IN_LIST modules OR Test IN_LIST modules)
    list(APPEND modules Gui)
  endif()
  if(Gui IN_LIST modules)
    list(APPEND modules Core)
  endif()
  list(REMOVE_DUPLICATES visible)
  list(REMOVE_DUPLICATES modules)
  set_property(GLOBAL PROPERTY QUORLA_ROOM_${name}_HEADERS ${visible})
  set_property(GLOBAL PROPERTY QUORLA_ROOM_${name}_MODULES ${modules})

  set(root ${PROJECT_BINARY_DIR}/rooms/${name})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS visible)
    get_filename_component(dir ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  set(barrier_Core QtCore/qglobal.h)
  set(barrier_Gui QtGui/qtguiglobal.h)
  set(barrier_Widgets QtWidgets/qtwidgetsglobal.h)
  set(barrier_Test QtTest/qttestglobal.h)
  # A room of headers compiles nothing; its root is what its users see of it, walls left to them.
  foreach(module Core Gui Widgets Test)
    if(NOT module IN_LIST modules AND NOT R_INTERFACE)
      file(WRITE ${root}/${barrier_${module}}
        "#error \"Qt ${module} is not for room ${name}: see the table of rooms in docs/program.md\"\n")
    endif()
  endforeach()
  set_property(GLOBAL PROPERTY QUORLA_ROOM_${name}_ROOT ${root})

  if(R_INTERFACE)
    add_library(${name} INTERFACE ${R_SOURCES})
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${R_USES} ${R_LINKS})
    return()
  endif()
  if(R_SHARED)
    add_library(${name} SHARED ${R_SOURCES})
  else()
    add_library(${name} STATIC ${R_SOURCES})
  endif()
  target_include_directories(${name} PRIVATE ${root})
  target_link_libraries(${name} PUBLIC ${R_USES} ${R_LINKS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  if(R_SHARED)
    # Sanitizer and fuzzer runtimes come with the executable, not with each shared object.
    if(NOT QUORLA_SANITIZE AND NOT QUORLA_FUZZ)
      target_link_options(${name} PRIVATE -Wl,-z,defs)
    endif()
  else()
    add_executable(${name}_layercheck ${PROJECT_SOURCE_DIR}/cmake/layercheck.cpp)
    target_link_libraries(${name}_layercheck PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>"
                          ${R_USES} ${R_LINKS})
    set_target_properties(${name}_layercheck PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layercheck)
  endif()
endfunction()

# quorla_room_include_check(<room> <check> <include> [ALLOWED])
#
# A test that compiles one file with the room's compiler settings, holding only `#include
# <include>`: it must fail to compile, or with ALLOWED succeed (which shows that a failure is the
# include's, not the check's). The object is built only when the test runs.
function(quorla_room_include_check room check include)
  cmake_parse_arguments(C "ALLOWED" "" "" ${ARGN})
  if(NOT QUORLA_BUILD_TESTS)
    return()
  endif()
  get_property(root GLOBAL PROPERTY QUORLA_ROOM_${room}_ROOT)
  string(REGEX REPLACE "^[<\"](.*)[>\"]$" "\\1" include_name "${include}")
  set(source ${PROJECT_BINARY_DIR}/layers/${room}_${check}.cpp)
  file(WRITE ${source} "// Generated: does room ${room} compile this include?\n#include ${include}\n")
  set(target layers_${room}_${check})
  add_library(${target} OBJECT EXCLUDE_FROM_ALL ${source})
  target_include_directories(${target} PRIVATE ${root})
  get_target_property(uses ${room} INTERFACE_LINK_LIBRARIES)
  if(uses)
    target_link_libraries(${target} PRIVATE ${uses})
  endif()
  add_test(NAME ${target}
    COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target ${target})
  # One build tool at a time in the build tree.
  set_tests_properties(${target} PROPERTIES RESOURCE_LOCK quorla_build_tree TIMEOUT 300)
  if(NOT C_ALLOWED)
    # Refused for the include itself: a barred module or a header out of sight, nothing else.
    set_tests_properties(${target} PROPERTIES
      PASS_REGULAR_EXPRESSION "is not for room ${room}|${include_name}: No such file or directory")
  endif()
endfunction()
