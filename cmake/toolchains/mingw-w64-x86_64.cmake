# 64-bit Windows: builds and tests the same code; the game client itself is 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OSTRAVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(OSTRAVEL_MINGW_LINK_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
