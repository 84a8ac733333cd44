# Warning flags for the project's own targets (not for third-party code).
set(TARVO_WARNING_FLAGS
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wsuggest-override)
if(TARVO_WERROR)
  list(APPEND TARVO_WARNING_FLAGS -Werror)
endif()

function(tarvo_warnings target)
  target_compile_options(${target} PRIVATE ${TARVO_WARNING_FLAGS})
endfunction()
