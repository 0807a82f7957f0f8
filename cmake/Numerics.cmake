# Compiler settings that every target of the project shares.
#
# The engine's results must be the same to the bit on every build, so the
# compiler may not fuse multiplies and adds on its own, and 32-bit x86 must
# do its floating point in SSE2 registers rather than in the x87 unit, whose
# wider registers would round differently.
add_compile_options(-Wall -Wextra -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
