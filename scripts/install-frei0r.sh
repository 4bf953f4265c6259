#!/usr/bin/env bash
# Installs the frei0r filter for the current user, without root: the filter
# and the effect library it loads into ~/.frei0r-1/lib/ (a folder MLT and
# GStreamer search without FREI0R_PATH), the filter's Kdenlive panel into
# ${XDG_DATA_HOME:-~/.local/share}/kdenlive/effects/. The files are those of
# `cmake --install BUILD --component frei0r`, staged in a temporary folder,
# and each replaces the old file rather than writing over it, so an editor
# that has the filter loaded keeps running on the old one.
#
#   scripts/install-frei0r.sh [BUILD_DIR]   (a built build folder; default build/ beside scripts/)
#   scripts/install-frei0r.sh --uninstall
set -euo pipefail

frei0r_dir="$HOME/.frei0r-1/lib"
effects_dir="${XDG_DATA_HOME:-$HOME/.local/share}/kdenlive/effects"

if [ "${1:-}" = "--uninstall" ]; then
  rm -fv "$frei0r_dir/ringstride.so" "$frei0r_dir/FolvekRingStride.so" "$effects_dir/frei0r.ringstride.xml"
  exit 0
fi

build="${1:-$(dirname "$0")/../build}"
if [ ! -f "$build/cmake_install.cmake" ]; then
  echo "install-frei0r: $build is not a build folder: build first" \
       "(cmake -S . -B $build -G Ninja && cmake --build $build)" >&2
  exit 1
fi
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --component frei0r --prefix "$stage" >/dev/null

mapfile -t libraries < <(find "$stage" -name '*.so' | sort)
mapfile -t panels < <(find "$stage" -name '*.xml')
if [ "${#libraries[@]}" -ne 2 ] || [ "${#panels[@]}" -ne 1 ]; then
  echo "install-frei0r: $build installs no frei0r filter (is frei0r-plugins-dev installed? scripts/setup.sh)" >&2
  exit 1
fi
install -d "$frei0r_dir" "$effects_dir"
install -v -m 644 "${libraries[@]}" "$frei0r_dir/"
install -v -m 644 "${panels[@]}" "$effects_dir/"
