# Warnings for our own targets only: kivora_warnings(<target>)
function(kivora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()
