# Shared by the end-to-end test folders: the real program run from outside,
# read through its trace, and closed the way a window manager closes it.
pkg_check_modules(E2E_X11 IMPORTED_TARGET x11)
if(NOT E2E_X11_FOUND)
  message(FATAL_ERROR "libx11 was not found. On Debian: apt-get install libx11-dev")
endif()

# kovaplex_e2e_test(<name> [DEPS <targets>...])
function(kovaplex_e2e_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  kovaplex_test(${name} LABEL e2e TIMEOUT 300 DEPS PkgConfig::E2E_X11 ${ARG_DEPS})
  target_sources(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ProgramRun.cpp
                                 ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/X11Close.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  add_dependencies(${name} Kovaplex)
endfunction()
