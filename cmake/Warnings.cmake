# Warnings for the project's own code.
add_library(orvanta_warnings INTERFACE)
target_compile_options(orvanta_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wimplicit-fallthrough
  $<$<BOOL:${ORVANTA_WERROR}>:-Werror>)
