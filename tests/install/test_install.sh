#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the build tree into a temporary prefix and checks what lands there: the file
# layout, no RUNPATH in any installed program or library, versioned sonames, every exported
# symbol under its library's version node, no allocation-failure hook, programs that run.
# Also: no build-tree program or library has an empty RUNPATH entry (the current folder).
#   test_install.sh BUILD_DIR LIBDIR GUI(ON|OFF)
set -euo pipefail
build="$1" libdir="$2" gui="$3"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || {
  cat "$prefix.log"; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"

is_elf() { [ -f "$1" ] && [ ! -L "$1" ] && [ "$(head -c 4 "$1" | od -An -tx1 | tr -d ' ')" = "7f454c46" ]; }

# Files that must be there (a trailing / means a folder).
want=(
  bin/tarvo
  "$libdir/libdecarith.so" "$libdir/libctrldata.so" "$libdir/libconvkern.so" "$libdir/libTarvon32.so"
  include/tarvo/convkern.h include/tarvo/decarith.h include/tarvo/Tarvon32.h
  "$libdir/cmake/Tarvo/TarvoConfig.cmake"
)
if [ "$gui" = ON ]; then
  want+=(
    bin/Wechsler
    share/wechsler/Help/BedAnl_D.htm share/wechsler/Help/BedAnl_E.htm
    share/wechsler/Help/AutoUpdate.htm share/wechsler/Help/AutoUpdateE.htm
    share/wechsler/Help/ManuUpdate.htm share/wechsler/Help/ManuUpdateE.htm
    share/wechsler/WAEHKURS.DAT
    share/applications/org.tarvo.Wechsler.desktop
    share/metainfo/org.tarvo.Wechsler.metainfo.xml
    share/icons/hicolor/scalable/apps/org.tarvo.Wechsler.svg
    share/icons/hicolor/128x128/apps/org.tarvo.Wechsler.png
    share/man/man1/Wechsler.1
  )
fi
for f in "${want[@]}"; do [ -e "$prefix/$f" ] || bad "not installed: $f"; done
# Files that must not be there.
for f in bin/Help bin/WAEHKURS.DAT "$libdir/failhook"; do
  [ ! -e "$prefix/$f" ] || bad "installed although it must not be: $f"
done
if grep -rl 'TARVO_AR_NEW_FAIL_AT' "$prefix" >/dev/null; then
  bad "the allocation-failure hook is installed: $(grep -rl TARVO_AR_NEW_FAIL_AT "$prefix" | tr '\n' ' ')"
fi

# No RUNPATH or RPATH in anything installed.
n=0
while IFS= read -r f; do
  is_elf "$f" || continue
  n=$((n + 1))
  if readelf -d "$f" | grep -Eq '\((RUNPATH|RPATH)\)'; then
    bad "${f#"$prefix"/} carries $(readelf -d "$f" | grep -E 'RUNPATH|RPATH' | sed 's/.*: //')"
  fi
done < <(find "$prefix" -type f)
[ "$n" -ge 5 ] || bad "only $n ELF files installed"

# library | soname | version node
libs=(
  "decarith|libdecarith.so.1|DECARITH_1.0"
  "ctrldata|libctrldata.so.1|CTRLDATA_1.0"
  "convkern|libconvkern.so.1|CONVKERN_1.0"
  "Tarvon32|libTarvon32.so.1|TARVON32_1.0"
)
for row in "${libs[@]}"; do
  IFS='|' read -r name soname node <<<"$row"
  so="$prefix/$libdir/lib$name.so"
  [ -e "$so" ] || continue
  real="$(readlink -f "$so")"
  [ "$(readlink "$prefix/$libdir/$soname")" = "$(basename "$real")" ] || bad "$soname is not a link to $(basename "$real")"
  got="$(readelf -d "$real" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')"
  [ "$got" = "$soname" ] || bad "lib$name: soname '$got', want '$soname'"
  # Every defined dynamic symbol carries the node; none is unversioned.
  syms="$(objdump -T "$real" | awk '$0 !~ /\*UND\*/ && NF >= 6 && $2 != "l"')"
  [ -n "$syms" ] || bad "lib$name exports nothing"
  unversioned="$(awk -v n="$node" '$(NF-1) != n && $(NF-1) != "("n")" {print $NF}' <<<"$syms" | grep -v "^$node\$" | grep -v '^__odr_asan' || true)"
  [ -z "$unversioned" ] || bad "lib$name: symbols outside $node: $(echo "$unversioned" | head -5 | tr '\n' ' ')"
  if objdump -T "$real" | grep -v '\*UND\*' | grep -q ' _Z'; then
    bad "lib$name exports C++ names: $(objdump -T "$real" | grep -v '\*UND\*' | grep ' _Z' | awk '{print $NF}' | head -3 | tr '\n' ' ')"
  fi
done

# Programs bind to the versions: the installed tarvo needs CONVKERN_1.0 and CTRLDATA_1.0.
if [ -x "$prefix/bin/tarvo" ]; then
  needs="$(readelf -V "$prefix/bin/tarvo")"
  for node in CONVKERN_1.0 CTRLDATA_1.0; do
    grep -q "Name: $node" <<<"$needs" || bad "bin/tarvo does not need $node"
  done
  out="$(cd "$prefix" && LD_LIBRARY_PATH="$prefix/$libdir" "$prefix/bin/tarvo" convert 100 DEM EUR | head -1)"
  [ "$out" = "51.13 EUR" ] || bad "installed tarvo converts 100 DEM to '$out'"
  if [ -e "$prefix/share/wechsler/WAEHKURS.DAT" ]; then
    LD_LIBRARY_PATH="$prefix/$libdir" "$prefix/bin/tarvo" rates check "$prefix/share/wechsler/WAEHKURS.DAT" >/dev/null ||
      bad "the shipped rate file fails its check"
  fi
fi

# Build tree: RUNPATH entries are never empty.
while IFS= read -r f; do
  is_elf "$f" || continue
  rp="$(readelf -d "$f" | sed -n 's/.*Library r[a-z]*path: \[\(.*\)\]/\1/p')"
  [ -n "$rp" ] || continue
  case ":$rp:" in *::*) bad "${f#"$build"/} has an empty RUNPATH entry: [$rp]" ;; esac
done < <(find "$build/bin" "$build/lib" -maxdepth 1 -type f 2>/dev/null)

if ((fail)); then exit 1; fi
echo "install: layout, RUNPATH, sonames and version nodes as expected"
