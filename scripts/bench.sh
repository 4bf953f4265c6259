#!/usr/bin/env bash
# Builds the benchmarks (Release) and prints their figures: the scene table,
# then, with --micro, the Google Benchmark cases, and, when the ringstride
# tool is built, how `ringstride animate` scales from one worker to two.
# Nothing here passes or fails. Arguments other than --micro go to the
# scene runner (--quick, --filter a/8, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${RINGSTRIDE_BENCH_BUILD_DIR:-build-bench}"
micro=0
args=()
for a in "$@"; do
  if [[ "$a" == "--micro" ]]; then micro=1; else args+=("$a"); fi
done

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINGSTRIDE_BENCH=ON >/dev/null
targets=(ringstride_scene_bench ringstride_micro_bench)
has_tool=0
if ninja -C "$build" -t targets all 2>/dev/null | grep -q '^ringstride:'; then
  has_tool=1
  targets+=(ringstride)
fi
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}" >/dev/null

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bench/ringstride_scene_bench" "${args[@]+"${args[@]}"}"

if [[ $micro == 1 ]]; then
  echo
  "$build/bench/ringstride_micro_bench" --benchmark_min_time=0.2
fi

if [[ $has_tool == 1 ]] && command -v oiiotool >/dev/null; then
  tool="$(find "$build" -maxdepth 3 -type f -name ringstride -perm -u+x | head -n1)"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  oiiotool --pattern fill:topleft=1,0.2,0:topright=0,1,0.3:bottomleft=0,0.4,1:bottomright=1,1,1 \
    1920x1080 4 --ch R,G,B,A=1.0 -d uint8 -o "$work/in.png"
  mask="$("$build/bench/ringstride_scene_bench" --mask-d a)"
  echo
  echo "ringstride animate, 48 frames of scene a (1920x1080, defaults), TIFF frames, two workers:"
  declare -A secs
  for cores in 0 0,1; do
    start=$(date +%s.%N)
    taskset -c "$cores" "$tool" animate "$work/in.png" "$work/f_%03d.tif" --frames 48 --mask-d "$mask" \
      --threads 2 --plugin "$build/FolvekRingStride.so" >/dev/null 2>&1
    end=$(date +%s.%N)
    secs[$cores]=$(echo "$end - $start" | bc -l)
    printf '  on core(s) %s: %.2f s\n' "$cores" "${secs[$cores]}"
  done
  printf '  speed-up of 2 cores over 1: %.2fx\n' "$(echo "${secs[0]} / ${secs[0,1]}" | bc -l)"
fi
