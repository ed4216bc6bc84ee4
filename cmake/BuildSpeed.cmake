# Choices that make the test suite's builds cheaper and change no behaviour.
#
# VK_LINE_DEBUG_INFO: line tables and function names only (-g1) instead of full
# debug information. Backtraces and sanitizer reports keep their files and
# lines; a debugger sees no local variables. About a third less compile time.
option(VK_LINE_DEBUG_INFO "Debug information of line tables only (-g1)" OFF)
if(VK_LINE_DEBUG_INFO)
  add_compile_options(-g1)
endif()
