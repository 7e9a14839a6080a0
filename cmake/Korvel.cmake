# Settings shared by the project's own targets (not by the third-party code).
add_library(korvel_defaults INTERFACE)
target_compile_definitions(korvel_defaults INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
target_compile_options(korvel_defaults INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers -Wno-cast-function-type>)
target_include_directories(korvel_defaults INTERFACE ${CMAKE_SOURCE_DIR})

# korvel_library(<name> <dir>): a static library of every .cpp directly in <dir>.
function(korvel_library name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC korvel_defaults)
  else()
    add_library(${name} INTERFACE)  # a subsystem with no code yet
    target_link_libraries(${name} INTERFACE korvel_defaults)
  endif()
endfunction()

# korvel_gui_executable(<name> sources...): a wide-entry GUI program.
function(korvel_gui_executable name)
  add_executable(${name} WIN32 ${ARGN})
  target_link_libraries(${name} PRIVATE korvel_defaults)
  target_link_options(${name} PRIVATE -municode)
endfunction()

# korvel_console_executable(<name> sources...): a wide-entry console program (test helpers, tools).
function(korvel_console_executable name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE korvel_defaults)
  target_link_options(${name} PRIVATE -municode)
endfunction()
