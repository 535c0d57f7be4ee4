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

# quilmar_test(NAME SOURCES... DEPS libs... [LOCK resource] [TIMEOUT seconds] [GUI] [FIXTURES names...])
# One GoogleTest program; each test case runs as its own ctest test under Wine,
# after the ctest fixtures it names have been set up, within 120 seconds unless
# the program names its own limit.
function(quilmar_test name)
  cmake_parse_arguments(ARG "" "LOCK;TIMEOUT" "SOURCES;DEPS;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quilmar_flags ${ARG_DEPS} gmock gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${ARG_TIMEOUT})
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

# The product version for the sources (quilmar_version.h), written once in the
# top-level CMakeLists.txt.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${PROJECT_BINARY_DIR}/generated/quilmar_version.h @ONLY)
add_library(quilmar_version INTERFACE)
target_include_directories(quilmar_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(quilmar_flags INTERFACE quilmar_version)

# quilmar_resources(TARGET FILE name DESCRIPTION text [ADMIN] [DLL] [ICON file])
# Gives a program or DLL its manifest (common controls 6, per-monitor DPI
# awareness, asInvoker or requireAdministrator), its icon and its version
# resource, all generated from one template.
function(quilmar_resources target)
  cmake_parse_arguments(QM_RES "ADMIN;DLL" "FILE;DESCRIPTION;ICON" "" ${ARGN})
  set(QM_RES_NAME ${target})
  set(QM_RES_LEVEL asInvoker)
  if(QM_RES_ADMIN)
    set(QM_RES_LEVEL requireAdministrator)
  endif()
  set(QM_RES_FILETYPE VFT_APP)
  set(QM_RES_MANIFEST_ID 1)
  if(QM_RES_DLL)
    set(QM_RES_FILETYPE VFT_DLL)
    set(QM_RES_MANIFEST_ID 2)  # a DLL's own activation context
  endif()
  set(QM_RES_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  set(QM_RES_ICON_LINE "")
  if(QM_RES_ICON)
    set(QM_RES_ICON_LINE "1 ICON \"${QM_RES_ICON}\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${QM_RES_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
