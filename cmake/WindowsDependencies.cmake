# The libraries of the Windows cross build. mingw-w64 does not search /usr/include and Debian
# ships no mingw builds of them, so the header-only ones come through a folder of symlinks and
# the rest are built here from source. Each gets the target name find_package gives on Linux.

set(OSTRAVEL_PUGIXML_SOURCE /var/cache/ostravel-win/pugixml
    CACHE PATH "pugixml's source tree (scripts/setup-windows fetches it)")
set(OSTRAVEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")

# Only the wanted headers: the whole of /usr/include would shadow mingw's own C library.
set(_win_include ${CMAKE_BINARY_DIR}/win-include)
file(MAKE_DIRECTORY ${_win_include})
foreach(_entry asio asio.hpp nlohmann CLI)
  if(NOT EXISTS /usr/include/${_entry})
    message(FATAL_ERROR "/usr/include/${_entry} is missing: run scripts/setup")
  endif()
  file(CREATE_LINK /usr/include/${_entry} ${_win_include}/${_entry} SYMBOLIC)
endforeach()

# asio, with the Windows sockets it needs. SYSTEM keeps its own warnings out of -Werror.
add_library(ostravel_asio INTERFACE)
target_include_directories(ostravel_asio SYSTEM INTERFACE ${_win_include})
target_compile_definitions(ostravel_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(ostravel_asio INTERFACE ws2_32 mswsock)

add_library(ostravel_win_headers INTERFACE)
target_include_directories(ostravel_win_headers SYSTEM INTERFACE ${_win_include})
add_library(nlohmann_json::nlohmann_json ALIAS ostravel_win_headers)
add_library(CLI11::CLI11 ALIAS ostravel_win_headers)

if(NOT EXISTS ${OSTRAVEL_PUGIXML_SOURCE}/src/pugixml.cpp)
  message(FATAL_ERROR "pugixml's source is not in ${OSTRAVEL_PUGIXML_SOURCE}: run scripts/setup")
endif()
add_library(ostravel_pugixml STATIC ${OSTRAVEL_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(ostravel_pugixml SYSTEM PUBLIC ${OSTRAVEL_PUGIXML_SOURCE}/src)
add_library(pugixml::pugixml ALIAS ostravel_pugixml)

if(OSTRAVEL_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${OSTRAVEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
