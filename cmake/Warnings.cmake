# Warnings for every target of this project (not for third-party headers,
# which come in as system includes).
function(ostravel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  # GCC 12 reports false overlaps in std::string's operator+ when optimising (its bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(OSTRAVEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
