# Flags shared by every target of the project.
#
# Floating point must give the same bits on 32-bit Windows and 64-bit Linux:
# no fused multiply-add contraction anywhere, and SSE2 arithmetic instead of
# the x87 unit on 32-bit x86.
add_compile_options(-ffp-contract=off)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "i.86|x86")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

# Warnings for the project's own code (the effect, our host, the tool).
function(ringstride_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wconversion -Wshadow)
  if(RINGSTRIDE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
