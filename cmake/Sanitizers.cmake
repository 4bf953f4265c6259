# Hardening builds.
#
# RINGSTRIDE_SANITIZE: every target, the effect library included, is built
# with AddressSanitizer and UndefinedBehaviorSanitizer, and the first report
# ends the process, so that ctest sees any finding as a failed test.
#
# RINGSTRIDE_FUZZ: the libFuzzer targets in tests/fuzz (clang only). All
# project code is also compiled with coverage instrumentation so that the
# fuzzers are guided through the effect and the tool's readers.
#
#   cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
#         -DCMAKE_C_COMPILER=clang -DRINGSTRIDE_SANITIZE=ON -DRINGSTRIDE_FUZZ=ON
option(RINGSTRIDE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(RINGSTRIDE_FUZZ "Build the libFuzzer targets (clang, implies RINGSTRIDE_SANITIZE)" OFF)

if(RINGSTRIDE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "RINGSTRIDE_FUZZ needs clang (libFuzzer); configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(RINGSTRIDE_SANITIZE ON CACHE BOOL "" FORCE)
endif()

if(RINGSTRIDE_SANITIZE)
  set(RINGSTRIDE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${RINGSTRIDE_SANITIZER_FLAGS} -fno-omit-frame-pointer -g)
  add_link_options(${RINGSTRIDE_SANITIZER_FLAGS})
  if(RINGSTRIDE_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
