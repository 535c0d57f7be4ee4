# Small helpers shared by the CMake files of the programs and tests.

# quilmar_library(NAME SOURCES... [DEPS libs...])
function(quilmar_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC quilmar_flags ${ARG_DEPS})
endfunction()

# quilmar_program(NAME [CONSOLE] SOURCES...): a Unicode GUI program (wWinMain).
function(quilmar_program name)
  cmake_parse_arguments(ARG "CONSOLE" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_CONSOLE)
    add_executable(${name} ${ARG_SOURCES})
  else()
    add_executable(${name} WIN32 ${ARG_SOURCES})
  endif()
  target_link_libraries(${name} PRIVATE quilmar_flags ${ARG_DEPS})
  if(NOT MSVC)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()

# quilmar_test(NAME SOURCES... DEPS libs... [LOCK resource] [GUI] [FIXTURES names...])
# One GoogleTest program; each test case runs as its own ctest test under Wine,
# after the ctest fixtures it names have been set up.
function(quilmar_test name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;DEPS;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quilmar_flags ${ARG_DEPS} gmock gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(props TIMEOUT 120)
  if(ARG_LABELS)
    list(APPEND props LABELS ${ARG_LABELS})
  endif()
  if(ARG_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_LOCK})
  endif()
  if(ARG_FIXTURES)
    list(APPEND props FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${props})
endfunction()
