# Hardening builds.
#
# RINGSTRIDE_SANITIZE: every target of ours, the effect library included, is
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and the first
# report ends the process, so that ctest sees any finding as a failed test.
#
# RINGSTRIDE_FUZZ: the libFuzzer targets in tests/fuzz (clang only). All
# project code is also compiled with coverage instrumentation so that the
# fuzzers are guided through the effect and the tool's readers.
#
#   cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
#         -DCMAKE_C_COMPILER=clang -DRINGSTRIDE_SANITIZE=ON -DRINGSTRIDE_FUZZ=ON
#
# The flags are applied per target by ringstride_exact_arithmetic().
option(RINGSTRIDE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(RINGSTRIDE_FUZZ "Build the libFuzzer targets (clang, implies RINGSTRIDE_SANITIZE)" OFF)

if(RINGSTRIDE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "RINGSTRIDE_FUZZ needs clang (libFuzzer); configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(RINGSTRIDE_SANITIZE ON CACHE BOOL "" FORCE)
endif()

set(RINGSTRIDE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
