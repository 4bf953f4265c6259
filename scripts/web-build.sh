#!/usr/bin/env bash
# Builds the web page: the effect and the portable host library compiled to
# WebAssembly by Debian's emscripten, beside the page's static files, in
# build-wasm/web/ (RINGSTRIDE_WASM_BUILD_DIR to build elsewhere). Only the
# module and the page are built. Prints the folder.
#
#   scripts/web-build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="${RINGSTRIDE_WASM_BUILD_DIR:-build-wasm}"
scripts/setup.sh web >/dev/null

# tinyxml2 has no WebAssembly build in Debian: its source package (one
# .cpp and one .h) is compiled with the module.
tinyxml2="$build/third_party/tinyxml2"
if [ ! -f "$tinyxml2/tinyxml2.cpp" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source --download-only tinyxml2 >/dev/null 2>&1 &&
     dpkg-source --no-check -x ./tinyxml2_*.dsc src >/dev/null)
  mkdir -p "$tinyxml2"
  cp "$work/src/tinyxml2.cpp" "$work/src/tinyxml2.h" "$work/src/LICENSE.txt" "$tinyxml2/"
fi

# emcc runs node for its JavaScript passes, which need Debian's node modules.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
cmake --preset wasm -B "$build" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target ringstride_web
echo "$build/web"
