# Warnings for every target of this project (not for third-party headers,
# which come in as system includes).
function(ostravel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  if(OSTRAVEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
