# Dependencies built from Debian's sources with the cross-compiler (scripts/setup.sh unpacks them).

# cJSON, with Debian's security patches already applied by apt-get source.
add_library(cjson STATIC ${KORVEL_THIRD_PARTY}/cjson/cJSON.c)
target_include_directories(cjson PUBLIC ${KORVEL_THIRD_PARTY}/cjson)
target_compile_definitions(cjson PUBLIC CJSON_HIDE_SYMBOLS)

# GoogleTest from Debian's googletest package.
if(KORVEL_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/SevenZip.cmake)
