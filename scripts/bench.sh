#!/usr/bin/env bash
# Builds the benchmarks (Release) and prints their figures: the scene table,
# the cost of masks of 10^3 to 10^6 segments (10^5 with --quick), then, with
# --micro, the Google Benchmark cases, and, when the ringstride
# tool is built, the shot benchmarks (the tool run as a user runs it: page
# faults per frame, video against ffmpeg alone, frames/s of file output on
# one core and two, the smart render against cairo). Nothing here passes or
# fails.
#
#   scripts/bench.sh [--quick] [--filter a/8] [--micro] [--shot] [--masks] [--before REV] [--long [FRAMES]]
#   scripts/bench.sh --web [--quick]
#
# --masks runs the mask sizes alone; --shot runs the shot benchmarks alone;
# --before REV builds the tool of git revision REV as well (in
# build-bench-before/) and prints every shot figure for both, side by side.
# --long runs only the long-run memory figures: one frei0r instance over a
# million small frames (or FRAMES), resident memory every tenth of the way.
# --web runs only the web page's figures (bench/web: the 8-bit scenes as
# WebAssembly against native, and the time from a slider change to the new
# frame in chromium at 1920x1080).
# Other arguments go to the scene runner.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${RINGSTRIDE_BENCH_BUILD_DIR:-build-bench}"
micro=0
shot_only=0
masks_only=0
web=0
quick=()
before=""
long_frames=""
args=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --micro) micro=1 ;;
    --shot) shot_only=1 ;;
    --masks) masks_only=1 ;;
    --web) web=1 ;;
    --before) before="$2"; shift ;;
    --long)
      long_frames=1000000
      if [[ "${2:-}" =~ ^[0-9]+$ ]]; then long_frames="$2"; shift; fi ;;
    --quick) quick=(--quick); args+=("$1") ;;
    *) args+=("$1") ;;
  esac
  shift
done

# The machine the figures come from, printed before them.
machine() {
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINGSTRIDE_BENCH=ON >/dev/null
if [[ $web == 1 ]]; then
  wasm="${RINGSTRIDE_WASM_BUILD_DIR:-build-wasm}"
  # The page's build is quiet unless it fails.
  log="$build/web-build.log"
  if ! page="$(RINGSTRIDE_WASM_BUILD_DIR="$wasm" scripts/web-build.sh 2>"$log")"; then
    cat "$log" >&2
    echo "bench.sh: the web page did not build (see above, kept in $log)" >&2
    exit 1
  fi
  NODE_PATH="${NODE_PATH:-/usr/share/nodejs}" cmake --build "$wasm" -j "${JOBS:-2}" --target ringstride_session_bench >/dev/null
  cmake --build "$build" -j "${JOBS:-2}" --target ringstride_session_bench >/dev/null
  machine
  echo
  exec node bench/web/web_bench.mjs "$build/bench/web/ringstride_session_bench" \
    "$wasm/bench/web/ringstride_session_bench.js" "$page" "${quick[@]+"${quick[@]}"}"
fi
if [[ -n "$long_frames" ]]; then
  cmake --build "$build" -j "${JOBS:-2}" --target ringstride_long_run_bench >/dev/null
  exec "$build/bench/ringstride_long_run_bench" "$long_frames"
fi
targets=(ringstride_scene_bench ringstride_micro_bench ringstride_mask_scale_bench)
has_tool=0
if ninja -C "$build" -t targets all 2>/dev/null | grep -q '^ringstride_shot_bench:'; then
  has_tool=1
  targets+=(ringstride_shot_bench)
fi
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}" >/dev/null

machine
if [[ $masks_only == 1 || $shot_only == 0 ]]; then
  echo
  if [[ ${#quick[@]} -gt 0 ]]; then
    "$build/bench/ringstride_mask_scale_bench" --max 100000
  else
    "$build/bench/ringstride_mask_scale_bench"
  fi
  if [[ $masks_only == 1 ]]; then exit 0; fi
fi
if [[ $shot_only == 0 ]]; then
  echo
  "$build/bench/ringstride_scene_bench" "${args[@]+"${args[@]}"}"
fi

if [[ $micro == 1 ]]; then
  echo
  "$build/bench/ringstride_micro_bench" --benchmark_min_time=0.2
fi

if [[ $has_tool == 1 ]] && command -v oiiotool >/dev/null && command -v ffmpeg >/dev/null; then
  shot=("$build/bench/ringstride_shot_bench" "${quick[@]+"${quick[@]}"}")
  if [[ -n "$before" ]]; then
    old="$(pwd)/${build}-before"
    rev="$(git rev-parse "$before^{commit}")"
    # The sources of REV, unpacked again only when REV changes.
    if [[ "$(cat "$old/rev" 2>/dev/null)" != "$rev" ]]; then
      rm -rf "$old/src"
      mkdir -p "$old/src"
      git archive "$rev" | tar -x -C "$old/src"
      echo "$rev" > "$old/rev"
    fi
    cmake -S "$old/src" -B "$old" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINGSTRIDE_TESTS=OFF \
      -DRINGSTRIDE_BENCH=OFF >/dev/null
    cmake --build "$old" -j "${JOBS:-2}" --target ringstride FolvekRingStride >/dev/null
    shot+=(--before-tool "$old/ringstride" --before-plugin "$old/FolvekRingStride.so")
    echo
    echo "before: $(git rev-parse --short "$before"), after: the working tree"
  fi
  echo
  "${shot[@]}"
fi
