#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build="${RINGSTRIDE_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINGSTRIDE_TESTS=ON -DRINGSTRIDE_BENCH=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
# The portable parts alone (no dlopen, OpenImageIO or ffmpeg; the effect
# linked statically), as the browser build takes them: they build, and the
# effect answers through EntryPointFunc linked in. The core, effect and shot
# tests there are the main build's, already run above.
portable="${build}-portable"
cmake -S . -B "$portable" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINGSTRIDE_PORTABLE=ON >/dev/null
cmake --build "$portable" -j "$(nproc)" --target ringstride_core ringstride_shot ringstride_effect_static protocol_tests
ctest --test-dir "$portable" --output-on-failure -j "$(nproc)" -L '^protocol_tests$'
# Tests skipped on this machine, with the reason each gave.
grep -h '^skipped:' "$build/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u | sed 's/^/test.sh: /' || true
# Sanitizers, valgrind and bounded fuzzing (RINGSTRIDE_HARDENING=0 skips them).
[ "${RINGSTRIDE_HARDENING:-1}" = 0 ] || RINGSTRIDE_BUILD_DIR="$build" scripts/test-hardening.sh
