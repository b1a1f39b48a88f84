#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages from a clean copy of the tracked files in build-deb/:
#   scripts/deb.sh            packages and lintian (no errors allowed)
# dpkg-buildpackage -us -uc -b runs there; the .deb files land in build-deb/. Without a
# libtarvo/ folder the profile pkg.tarvo.nolibtarvo leaves out libtarvo1 and python3-tarvo.
# DEB_BUILD_OPTIONS passes through (nocheck skips the tests, parallel=N).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-deb"
version="$(dpkg-parsechangelog -l debian/changelog -S Version)"
src="$out/tarvo-$version"

rm -rf "$out"
mkdir -p "$src"
# Tracked files plus new ones not yet committed (never build trees or ignored files).
git ls-files -z --cached --others --exclude-standard | xargs -0 tar -cf - --no-recursion 2>/dev/null \
  | tar -xf - -C "$src"

profiles="${DEB_BUILD_PROFILES:-}"
if [ ! -f "$src/libtarvo/CMakeLists.txt" ]; then
  profiles="${profiles:+$profiles }pkg.tarvo.nolibtarvo"
fi
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}"
(cd "$src" && DEB_BUILD_PROFILES="$profiles" dpkg-buildpackage -us -uc -b) >"$out/build.log" 2>&1 || {
  tail -40 "$out/build.log"
  echo "deb: the package build failed; the whole log is $out/build.log" >&2
  exit 1
}

changes="$(ls "$out"/tarvo_"$version"_*.changes)"
# Errors fail; warnings are either fixed or overridden in debian/*.lintian-overrides.
lintian --fail-on error,warning --profile debian "$changes" | tee "$out/lintian.log"
ls -1 "$out"/*.deb
