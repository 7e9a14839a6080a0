# i686 Windows build: the 32-bit release target (builds here, does not run).
set(KORVEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
