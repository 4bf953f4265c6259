# Flags of our own targets, set on each target (never globally, so nothing
# leaks into a program that builds against the installed host library).
#
# Floating point must give the same bits on 32-bit Windows, 64-bit Linux and
# WebAssembly: no fused multiply-add contraction anywhere, and SSE2
# arithmetic instead of the x87 unit on 32-bit x86. Hardening builds add
# the sanitizers here too (cmake/Sanitizers.cmake).
function(ringstride_exact_arithmetic target)
  target_compile_options(${target} PRIVATE -ffp-contract=off)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "i.86|x86" AND NOT EMSCRIPTEN)
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
  endif()
  if(RINGSTRIDE_SANITIZE)
    target_compile_options(${target} PRIVATE ${RINGSTRIDE_SANITIZER_FLAGS} -fno-omit-frame-pointer -g)
    target_link_options(${target} PRIVATE ${RINGSTRIDE_SANITIZER_FLAGS})
  endif()
  if(RINGSTRIDE_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# The above, and warnings for the project's own code (the effect, our host,
# the front-ends).
function(ringstride_strict_warnings target)
  ringstride_exact_arithmetic(${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wconversion -Wshadow)
  if(RINGSTRIDE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
