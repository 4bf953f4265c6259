#!/usr/bin/env bash
# The installed filter, away from the build folder: `cmake --install
# --component frei0r` into a fresh prefix, and scripts/install-frei0r.sh into
# a fresh home, each put the filter, a copy of the effect library beside it
# and the Kdenlive panel where MLT and Kdenlive look; melt then describes the
# filter from the installed files alone. --uninstall takes the user's
# files away again.
#   install_test.sh BUILD_DIR INSTALL_SCRIPT [SANITIZED (1 or 0)]
set -euo pipefail
build="$1"
script="$2"
sanitized="${3:-0}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --component frei0r --prefix "$work/prefix" >/dev/null
for f in lib/frei0r-1/ringstride.so lib/frei0r-1/FolvekRingStride.so share/kdenlive/effects/frei0r.ringstride.xml; do
  [ -f "$work/prefix/$f" ] && [ ! -L "$work/prefix/$f" ] || fail "cmake --install left no file $f"
done

mkdir "$work/home"
HOME="$work/home" XDG_DATA_HOME="" "$script" "$build" >/dev/null
for f in .frei0r-1/lib/ringstride.so .frei0r-1/lib/FolvekRingStride.so \
         .local/share/kdenlive/effects/frei0r.ringstride.xml; do
  [ -f "$work/home/$f" ] || fail "install-frei0r.sh left no file ~/$f"
done

HOME="$work/home2" XDG_DATA_HOME="" "$script" "$build" >/dev/null
HOME="$work/home2" XDG_DATA_HOME="" "$script" --uninstall >/dev/null
[ -z "$(find "$work/home2" -type f)" ] || fail "install-frei0r.sh --uninstall left $(find "$work/home2" -type f)"

if [ "$sanitized" = 1 ]; then
  echo "skipped: melt cannot load a filter built with sanitizers; the files were checked"
  exit 77
fi
if ! command -v melt >/dev/null; then
  echo "skipped: melt is not installed (scripts/setup.sh); the files were checked"
  exit 77
fi
# The prefix through FREI0R_PATH; the home through MLT's own folders.
for run in "FREI0R_PATH=$work/prefix/lib/frei0r-1" "HOME=$work/home"; do
  out="$(cd "$work" && env -u FREI0R_PATH -u MLT_FREI0R_PLUGIN_PATH -u RINGSTRIDE_EFFECT_LIBRARY "$run" \
         timeout 60 melt -query filter=frei0r.ringstride 2>&1)" || true
  grep -q "title: Max Radius" <<<"$out" || fail "melt with $run did not describe the installed filter: $out"
done
echo "installed filter: ok"
