# 32-bit Windows, what the game client loads.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OSTRAVEL_MINGW_TRIPLE i686-w64-mingw32)
# Binds stdcall exports named in a .def file (DllGetClassObject, ...) to their decorated symbols.
set(OSTRAVEL_MINGW_LINK_FLAGS "-Wl,--enable-stdcall-fixup")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
