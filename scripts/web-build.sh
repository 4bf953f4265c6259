#!/usr/bin/env bash
# Builds the web page: the effect and the portable host library compiled to
# WebAssembly by Debian's emscripten, beside the page's static files, in
# build-wasm/web/ (RINGSTRIDE_WASM_BUILD_DIR to build elsewhere). Only the
# module and the page are built. Prints the folder on standard output (and
# the build's progress on standard error).
#
#   scripts/web-build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="${RINGSTRIDE_WASM_BUILD_DIR:-build-wasm}"
# RINGSTRIDE_SKIP_SETUP=1 (the native build's call) leaves packages alone.
[ "${RINGSTRIDE_SKIP_SETUP:-0}" = 1 ] || scripts/setup.sh web >&2

# tinyxml2 has no WebAssembly build in Debian: its source package (one
# .cpp and one .h) is compiled with the module.
tinyxml2="$build/third_party/tinyxml2"
if [ ! -f "$tinyxml2/tinyxml2.cpp" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  # Quiet unless it fails.
  if ! (cd "$work" && apt-get source --download-only tinyxml2 && dpkg-source --no-check -x ./tinyxml2_*.dsc src) \
       >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "web-build.sh: cannot unpack Debian's tinyxml2 source package (see above)" >&2
    exit 1
  fi
  mkdir -p "$tinyxml2"
  cp "$work/src/tinyxml2.cpp" "$work/src/tinyxml2.h" "$work/src/LICENSE.txt" "$tinyxml2/"
fi

# emcc runs node for its JavaScript passes, which need Debian's node modules.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
[ -f "$build/build.ninja" ] || cmake --preset wasm -B "$build" >&2
cmake --build "$build" -j "${JOBS:-2}" --target ringstride_web >&2
echo "$build/web"
