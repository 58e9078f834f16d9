# quorla_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>])
#
# One GoogleTest executable, run by CTest. Widget tests need no display: every test runs on the
# offscreen platform, on the embedded virtual printer only (never a standalone one that happens to
# listen) at time scale 0, with its own XDG directories so that printer state and sheets stay
# inside the build tree.
function(quorla_add_test)
  if(NOT QUORLA_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quorla_source_tree GTest::gtest GTest::gmock)
  set(home ${PROJECT_BINARY_DIR}/testhome/${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT 600
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUORLA_PRINTER=embedded;QUORLA_VPRINTER_TIME_SCALE=0;HOME=${home};XDG_RUNTIME_DIR=${home}/run;XDG_STATE_HOME=${home}/state;XDG_DATA_HOME=${home}/data;XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache")
endfunction()
