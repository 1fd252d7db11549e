# The native build: the portable sources under AddressSanitizer and UBSan,
# plus the benchmark and fuzzing programs.
option(TOVRIN_SANITIZE "Build with AddressSanitizer and UBSan" ON)
# Every warning is an error in our own code; GoogleTest is configured before
# these options and builds without warnings (cmake/GoogleTest.cmake).
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Werror)
if(TOVRIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
set(TOVRIN_WINDOWS OFF)
