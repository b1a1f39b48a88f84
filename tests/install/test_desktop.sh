#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The calculator's desktop files: each passes its validator, and they name each other
# consistently (desktop entry, icons, AppStream id and launchable, program, man page).
set -euo pipefail
dir="$(cd "$(dirname "$0")/../../Wechsler/desktop" && pwd)"
id=org.tarvo.Wechsler
fail=0
bad() { echo "FAIL: $*"; fail=1; }

desktop-file-validate "$dir/$id.desktop" || bad "desktop-file-validate rejects $id.desktop"
report="$(appstreamcli validate --no-net --explain "$dir/$id.metainfo.xml" 2>&1)" ||
  { echo "$report"; bad "appstreamcli rejects $id.metainfo.xml"; }
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dir/Wechsler.1" 2>&1 >/dev/null)"
[ -z "$warnings" ] || bad "Wechsler.1: $warnings"

# file | pattern that must match in it
refs=(
  "$id.desktop|^Icon=$id\$"
  "$id.desktop|^Exec=Wechsler\$"
  "$id.metainfo.xml|<id>$id</id>"
  "$id.metainfo.xml|<launchable type=\"desktop-id\">$id.desktop</launchable>"
  "$id.metainfo.xml|<binary>Wechsler</binary>"
  "$id.metainfo.xml|<project_license>Apache-2.0</project_license>"
  "$id.svg|<svg "
  "Wechsler.1|^\\.TH WECHSLER 1 "
)
for r in "${refs[@]}"; do
  IFS='|' read -r file pattern <<<"$r"
  grep -Eq "$pattern" "$dir/$file" || bad "$file does not match $pattern"
done
[ "$(head -c 8 "$dir/$id.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || bad "$id.png is no PNG"
# The release in the metadata is the project's version.
version="$(sed -n 's/^project(Tarvo VERSION \([0-9.]*\).*/\1/p' "$dir/../../CMakeLists.txt")"
grep -q "<release version=\"$version\"" "$dir/$id.metainfo.xml" || bad "metainfo has no release $version"

if ((fail)); then exit 1; fi
echo "desktop files: valid and consistent"
