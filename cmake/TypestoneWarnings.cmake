# Warnings apply per target so that third-party headers never fail our build.
function(typestone_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
  if(TYPESTONE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
