#!/usr/bin/env bash
# Installs, from Debian's packages, what the project builds and tests with.
# Safe to run again: packages already present are not fetched.
#
#   scripts/setup.sh        everything: the tool, tests, benchmarks, the
#                           Windows cross build and wine, Slurm
#   scripts/setup.sh demo   only what building the effect and the tool needs
#   scripts/setup.sh web    only what building and serving the web page needs
set -euo pipefail

# The effect and the ringstride tool.
tool=(cmake ninja-build g++ ccache pkg-config libopenimageio-dev openimageio-tools libcli11-dev
      nlohmann-json3-dev libexpected-dev libtinyxml2-dev zlib1g-dev libdeflate-dev ffmpeg)
# Tests, benchmarks, the hardening checks (strace and gdb for
# scripts/stress-shot.sh), Slurm and the video tools the frei0r filter is
# tested in (GStreamer's headers for a pipeline whose values change while it
# plays).
checks=(libgtest-dev libgmock-dev libbenchmark-dev libcairo2-dev clang libclang-rt-14-dev valgrind file strace gdb
        slurm-wlm munge frei0r-plugins-dev melt gstreamer1.0-tools gstreamer1.0-plugins-base
        gstreamer1.0-plugins-good gstreamer1.0-plugins-bad libgstreamer1.0-dev)
# The Windows cross builds (32-bit and 64-bit) and wine to run them; wine64
# runs the 64-bit DLL also where the kernel runs no 32-bit programs.
windows=(g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
         wine wine32:i386 wine64)

# The web page: emscripten compiles the module (with tinyxml2 from Debian's
# source package, which dpkg-dev unpacks) and python3 serves the page; its
# tests drive Debian's chromium with puppeteer-core from npm. A node that
# comes with its own npm (nodesource's) is kept.
web=(cmake ninja-build ccache nlohmann-json3-dev libexpected-dev emscripten dpkg-dev python3)
web_tests=(chromium nodejs)
command -v npm >/dev/null || web_tests+=(npm)

case "${1:-all}" in
  demo) native=("${tool[@]}"); RINGSTRIDE_SKIP_WINDOWS=1 ;;
  web) native=("${web[@]}"); RINGSTRIDE_SKIP_WINDOWS=1 ;;
  *) native=("${tool[@]}" "${checks[@]}" "${web[@]}" "${web_tests[@]}") ;;
esac

missing() {
  local out=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || out+=("$p")
  done
  echo "${out[@]:-}"
}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

want_windows=1
[ "${RINGSTRIDE_SKIP_WINDOWS:-0}" = 1 ] && want_windows=0

if [ "$want_windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

# Debian's source packages (tinyxml2 for the web page's module).
sources=/etc/apt/sources.list.d/ringstride-sources.sources
if [ "${1:-all}" != demo ] && [ ! -f "$sources" ]; then
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' 'Components: main' \
    'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | "${sudo_cmd[@]}" tee "$sources" >/dev/null
  need_update=1
fi

todo="$(missing "${native[@]}")"
[ "$want_windows" = 1 ] && todo="$todo $(missing "${windows[@]}")"
todo="$(echo $todo)"
if [ -n "$todo" ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing $todo"
  "${sudo_cmd[@]}" apt-get update -qq
  [ -z "$todo" ] || "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends $todo >/dev/null
fi
# puppeteer-core for the web page's tests, from the lock file, without a
# browser of its own (they drive Debian's chromium).
web_tests="$(dirname "$0")/../tests/web"
if [ "${1:-all}" = all ] && [ ! -d "$web_tests/node_modules/puppeteer-core" ]; then
  (cd "$web_tests" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null)
fi
echo "setup: all packages present"
