#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages (no tests, no sanitizers), installs them with dpkg -i, runs
# /usr/bin/tarvo and the calculator from /usr/bin, builds a C program against the installed
# development package with pkg-config, and removes the packages again. The list of installed
# packages is the same afterwards; the script refuses to run when one of ours is installed.
# Needs root (dpkg).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

pkgs=(libdecarith1 libctrldata1 libconvkern1 libtarvon32-1 libtarvo1 libtarvo-dev tarvo wechsler
      python3-tarvo)
installed_ours() {
  for p in "${pkgs[@]}"; do
    if dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q ' installed$'; then echo "$p"; fi
  done
}
if [ "$(id -u)" -ne 0 ]; then
  echo "deb-test: needs root for dpkg -i" >&2
  exit 1
fi
already="$(installed_ours)"
if [ -n "$already" ]; then
  echo "deb-test: already installed, not touching them: $(echo $already)" >&2
  exit 1
fi

# Packages without tests and without sanitizers; a compiler cache when there is one.
export DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)"
if command -v ccache >/dev/null; then
  export CCACHE_DIR="${CCACHE_DIR:-$root/build-deb-ccache}" CCACHE_BASEDIR="$root/build-deb"
  export CCACHE_NOHASHDIR=1
fi
log="$(mktemp)"
bash scripts/deb.sh >"$log" 2>&1 || { cat "$log"; rm -f "$log"; exit 1; }
rm -f "$log"
mapfile -t debs < <(ls "$root"/build-deb/*.deb | grep -v -- '-dbgsym_')

before="$(dpkg-query -W -f='${Package} ${Version} ${Status}\n' | sort)"
work="$(mktemp -d)"
ours=()
cleanup() {
  if ((${#ours[@]})); then dpkg -r "${ours[@]}" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
for d in "${debs[@]}"; do ours+=("$(dpkg-deb -f "$d" Package)"); done
dpkg -i "${debs[@]}" >"$work/dpkg-i.log" 2>&1 || { cat "$work/dpkg-i.log"; exit 1; }

fail=0
bad() { echo "FAIL: $*"; fail=1; }
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
cd "$work"

# The command-line program.
out="$(/usr/bin/tarvo convert 100 DEM EUR 2>&1 | head -n 1)"
case "$out" in 51.13*) ;; *) bad "/usr/bin/tarvo convert 100 DEM EUR printed '$out'" ;; esac
readelf -d /usr/bin/tarvo | grep -q RUNPATH && bad "/usr/bin/tarvo carries a RUNPATH"

# The calculator, offscreen, with its diagnostic log: it must get as far as its main window,
# have loaded the bridge and still run two seconds later.
/usr/bin/Wechsler DEBUG >"$work/wechsler.out" 2>&1 &
pid=$!
for _ in $(seq 1 50); do
  grep -q 'MainForm.Show' "$XDG_STATE_HOME/Devisio/Devisio.log" 2>/dev/null && break
  sleep 0.2
done
sleep 2
if kill -0 "$pid" 2>/dev/null; then
  # The first conversion at start binds the bridge from the system's library folder.
  grep -q "/libTarvon32.so.1" "/proc/$pid/maps" ||
    bad "/usr/bin/Wechsler has not loaded libTarvon32.so.1"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
else
  wait "$pid" || true
  bad "/usr/bin/Wechsler ended by itself: $(tail -n 3 "$work/wechsler.out")"
fi
grep -q 'MainForm.Show' "$XDG_STATE_HOME/Devisio/Devisio.log" 2>/dev/null ||
  bad "/usr/bin/Wechsler did not show its window (no MainForm.Show in its log)"
# An installed calculator keeps its rate file in the user's data folder, copied on first start.
cmp -s "$XDG_DATA_HOME/Devisio/WAEHKURS.DAT" /usr/share/wechsler/WAEHKURS.DAT ||
  bad "no copy of the shipped rate file in \$XDG_DATA_HOME/Devisio"

# A C program against the development package.
mods="ctrldata convkern decarith"
if pkg-config --exists $mods; then
  flags="$(pkg-config --cflags --libs $mods)"
else
  bad "the development package has no pkg-config files for: $mods"
  flags="-I/usr/include/tarvo -lctrldata -lconvkern -ldecarith"
fi
# shellcheck disable=SC2086
cc -std=c11 -Wall -Werror -o "$work/convert" "$root/examples/convert.c" $flags ||
  bad "examples/convert.c does not build against the installed headers"
if [ -x "$work/convert" ]; then
  "$work/convert" | grep -q 'amount +000000000005113' || bad "the C program converts wrongly: $("$work/convert" | head -n 3)"
fi
if [ -f "$root/examples/tarvo_convert.c" ]; then
  # shellcheck disable=SC2046
  cc -std=c11 -Wall -Werror -o "$work/tarvo_convert" "$root/examples/tarvo_convert.c" \
    $(pkg-config --cflags --libs tarvo) ||
    bad "examples/tarvo_convert.c does not build against libtarvo-dev"
  if [ -x "$work/tarvo_convert" ]; then
    "$work/tarvo_convert" 100 DEM EUR 2001-06-15 | grep -q '100 DEM = 51.13 EUR' ||
      bad "the libtarvo program converts wrongly: $("$work/tarvo_convert" 100 DEM EUR 2001-06-15 | head -n 3)"
  fi
  /usr/bin/python3 -c 'import tarvo; r = tarvo.convert("100", "DEM", "EUR", "2001-06-15"); assert str(r.amount) == "51.13", r' ||
    bad "the installed Python package tarvo does not convert 100 DEM to 51.13 EUR"
fi

cd "$root"
dpkg -r "${ours[@]}" >"$work/dpkg-r.log" 2>&1 || { cat "$work/dpkg-r.log"; bad "dpkg -r failed"; }
ours=()
after="$(dpkg-query -W -f='${Package} ${Version} ${Status}\n' | sort)"
[ "$before" = "$after" ] || bad "the package list differs after removal: $(diff <(echo "$before") <(echo "$after") | head -5)"
[ ! -e /usr/bin/tarvo ] && [ ! -e /usr/bin/Wechsler ] || bad "programs left in /usr/bin after dpkg -r"

if ((fail)); then exit 1; fi
echo "deb-test: $(echo "${debs[@]##*/}" | wc -w) packages installed, used and removed"
