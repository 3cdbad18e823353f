# Warnings for our own targets only: kivora_warnings(<target>)
# KIVORA_WARNINGS_AS_ERRORS (on in the dev preset) makes every warning of our own code fatal, so
# that a warning is fixed where it appears instead of piling up.
option(KIVORA_WARNINGS_AS_ERRORS "Treat warnings of our own targets as errors" OFF)
function(kivora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
  if(KIVORA_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
