#!/usr/bin/env bash
# Hardening checks, after the ordinary suite:
#   1. the whole test suite built with AddressSanitizer and UBSan (clang),
#      in which any finding, leaks included, fails its test;
#   2. the protocol tests and the effect's bad-input table under valgrind
#      memcheck: no error, no leak;
#   3. each libFuzzer target for a bounded time on its committed corpus.
#
# Environment:
#   RINGSTRIDE_BUILD_DIR      ordinary build with protocol_tests (default build)
#   RINGSTRIDE_ASAN_DIR       sanitizer and fuzzing build (default build-asan)
#   RINGSTRIDE_FUZZ_SECONDS   time per fuzz target (default 30)
#   RINGSTRIDE_JOBS           parallel jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${RINGSTRIDE_BUILD_DIR:-build}"
asan="${RINGSTRIDE_ASAN_DIR:-build-asan}"
fuzz_seconds="${RINGSTRIDE_FUZZ_SECONDS:-30}"
jobs="${RINGSTRIDE_JOBS:-$(nproc)}"

# The image libraries leak on some corrupt files inside their own error
# paths; those leaks (and only those) are suppressed, which needs full
# malloc stacks to match.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:fast_unwind_on_malloc=0:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp:print_suppressions=0"

echo "== hardening: sanitizer build in $asan"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DRINGSTRIDE_SANITIZE=ON -DRINGSTRIDE_FUZZ=ON -DRINGSTRIDE_WERROR=OFF \
  -DRINGSTRIDE_BENCH=OFF -DRINGSTRIDE_WINE_TESTS=OFF >/dev/null
cmake --build "$asan" -j "$jobs"
# The Slurm cluster test checks a script and the daemons, not our memory.
ctest --test-dir "$asan" --output-on-failure -j "$jobs" -E "^slurm_farm$"

echo "== hardening: valgrind memcheck of the protocol tests and the effect's bad-input table"
memcheck=(valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect
          --show-leak-kinds=definite,indirect)
"${memcheck[@]}" "$build/tests/protocol_tests" --gtest_brief=1
"${memcheck[@]}" "$build/tests/robustness/robustness_tests" --gtest_brief=1 --gtest_filter='*EffectRobustness*'

echo "== hardening: fuzzing, ${fuzz_seconds} s per target"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
summary=()
for target in fuzz_entry fuzz_masks fuzz_image; do
  exe="$asan/tests/fuzz/$target"
  [ -x "$exe" ] || { echo "missing fuzz target $exe"; exit 1; }
  mkdir -p "$work/$target"
  log="$work/$target.log"
  # New inputs go to the scratch corpus; the committed one is only read.
  # A finding leaves its reproducer in the scratch folder and fails here.
  if ! (cd "$work" && TMPDIR="$work" "$root/$exe" -seed=1 -max_total_time="$fuzz_seconds" -timeout=25 \
          -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/$target-" \
          "$work/$target" "$root/tests/fuzz/corpus/$target") >"$log" 2>&1; then
    tail -n 60 "$log"
    for f in "$work/$target"-*; do
      [ -e "$f" ] && cp "$f" "$root/" && echo "reproducer kept as $(basename "$f")"
    done
    echo "hardening: $target found a problem"
    exit 1
  fi
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)"
  last="$(grep -E '^#[0-9]+' "$log" | grep -E 'cov: ' | tail -n 1 || true)"
  cov="$(echo "$last" | grep -o 'cov: [0-9]*' || true)"
  ft="$(echo "$last" | grep -o 'ft: [0-9]*' || true)"
  summary+=("$target: ${runs:-?} runs, ${cov:-cov: ?}, ${ft:-ft: ?}")
done
printf '%s\n' "== hardening: fuzzing done" "${summary[@]}"
echo "hardening: all checks passed"
