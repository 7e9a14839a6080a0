# x86_64 Windows build: the one that runs here, under 64-bit Wine.
set(KORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
