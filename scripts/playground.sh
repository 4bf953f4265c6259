#!/usr/bin/env bash
# Builds the web page (the effect compiled to WebAssembly, see
# scripts/web-build.sh) and serves it on this machine, printing the address:
#
#   scripts/playground.sh [PORT]      (default 8022)
#
# The page is a folder of static files (build-wasm/web/) that any static
# web host serves as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
port="${1:-8022}"
page="$(scripts/web-build.sh)"
echo "playground: http://localhost:$port/ (serving $page; Ctrl-C stops it)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$page"
