# Shared build helpers: dependency lookup, one static library per source
# folder, and one test executable per test folder.

function(kovaplex_require_pkg prefix module debian_package)
  pkg_check_modules(${prefix} IMPORTED_TARGET GLOBAL ${module})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "${module} was not found. On Debian: apt-get install ${debian_package}")
  endif()
endfunction()

macro(kovaplex_find_dependencies)
  find_package(Qt6 6.2 COMPONENTS Core Gui Widgets OpenGL OpenGLWidgets Network DBus Test)
  if(NOT Qt6_FOUND)
    message(FATAL_ERROR "Qt 6 was not found. On Debian: apt-get install qt6-base-dev libqt6opengl6-dev libgl-dev")
  endif()
  # Only for the scalable icon; the PNG sizes are rendered without it.
  find_package(Qt6 QUIET OPTIONAL_COMPONENTS Svg)
  find_package(PkgConfig)
  if(NOT PkgConfig_FOUND)
    message(FATAL_ERROR "pkg-config was not found. On Debian: apt-get install pkg-config")
  endif()
  kovaplex_require_pkg(MPV mpv libmpv-dev)
  kovaplex_require_pkg(ALSA alsa libasound2-dev)
  kovaplex_require_pkg(FLUIDSYNTH fluidsynth libfluidsynth-dev)
endmacro()

# kovaplex_library(<name> [DEPS <targets>...])
# Builds every .cpp of the calling folder into the static library <name>.
# Headers are included as "folder/File.h" relative to src/.
function(kovaplex_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# kovaplex_test(<name> LABEL <unit|integration|e2e> [DEPS <targets>...])
# Builds every .cpp of the calling test folder into one GoogleTest executable
# with the shared Qt-aware main, and registers each test case with CTest.
function(kovaplex_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_link_libraries(${name} PRIVATE kovaplex_test_support ${ARG_DEPS})
  # Decided at build time: CTest drops all but the first entry of an
  # ENVIRONMENT list that passes through gtest_discover_tests.
  if(ARG_LABEL STREQUAL "unit")
    target_compile_definitions(${name} PRIVATE KOVAPLEX_TEST_OFFSCREEN=1)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endfunction()

# kovaplex_forbid_links(<target> <forbidden targets>...)
# Fails the configuration when <target> reaches one of <forbidden targets>
# through its link dependencies, however indirectly: a layer meant to run
# without widgets must not gain them through a library it picks up later.
function(kovaplex_forbid_links target)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      set(current ${aliased})
    endif()
    get_target_property(deps ${current} INTERFACE_LINK_LIBRARIES)
    if(NOT deps)
      continue()
    endif()
    foreach(dep IN LISTS deps)
      if(dep IN_LIST ARGN)
        message(FATAL_ERROR "${target} must not link ${dep} (reached through ${current})")
      endif()
      list(APPEND pending ${dep})
    endforeach()
  endwhile()
endfunction()
