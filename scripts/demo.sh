#!/usr/bin/env bash
# Builds the effect and the ringstride tool, then renders the pictures shown
# in the README: docs/demo.png (one frame), docs/demo.gif (the "Time"
# parameter swept from 0 to 100 %, circles appearing and vanishing again)
# and docs/moving-mask.gif (keyframes and a moving mask).
# The input and the mask are small files kept in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."

# The demo needs the tool only: no tests, benchmarks or Windows tools.
scripts/setup.sh demo

build="${RINGSTRIDE_BUILD_DIR:-build}"
jobs="${JOBS:-$(nproc)}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINGSTRIDE_TESTS=OFF -DRINGSTRIDE_BENCH=OFF \
  >/dev/null
cmake --build "$build" --target ringstride FolvekRingStride -j "$jobs"

input=examples/gradient.png
if [ ! -f "$input" ]; then
  # A colour gradient under a soft checkerboard, 320 x 180.
  oiiotool --pattern fill:topleft=0.95,0.35,0.2,1:topright=0.2,0.6,0.95,1:bottomleft=0.3,0.85,0.35,1:bottomright=0.9,0.8,0.25,1 320x180 4 \
           --pattern checker:width=16:height=16:color1=1,1,1,1:color2=0.55,0.55,0.55,1 320x180 4 \
           --mul -d uint8 -o "$input"
fi

look=(--mask examples/wave.svg
      --param max-radius=30 --param "min radius=30" --param edge-thickness=2
      --param edge-brightness=1.8 --param seed=7 --param on-original=on)

mkdir -p docs
"$build/ringstride" info
"$build/ringstride" render "$input" docs/demo.png "${look[@]}" --param time=50
"$build/ringstride" animate "$input" docs/demo.gif "${look[@]}" --param time=0..100 --frames 36 --fps 12
# A shot: keyframed values and a mask that moves (examples/shot-keys.json).
"$build/ringstride" animate "$input" docs/moving-mask.gif --keys examples/shot-keys.json --frames 37 --fps 12
ls -l docs/demo.png docs/demo.gif docs/moving-mask.gif
