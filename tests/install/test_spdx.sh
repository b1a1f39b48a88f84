#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# scripts/spdx.sh on sample files of every type and on an exported copy of the tree: the line
# lands in the right comment syntax and place, a second run changes nothing, --check agrees.
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
spdx="$src/scripts/spdx.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

# name | first line before | expected first line | expected second line
cases=(
  "a.cpp|int x;|// SPDX-License-Identifier: Apache-2.0|int x;"
  "b.h|/* b */|/* SPDX-License-Identifier: Apache-2.0 */|/* b */"
  "c.c|int y;|/* SPDX-License-Identifier: Apache-2.0 */|int y;"
  "d.map|{ local: *; };|/* SPDX-License-Identifier: Apache-2.0 */|{ local: *; };"
  "CMakeLists.txt|project(x)|# SPDX-License-Identifier: Apache-2.0|project(x)"
  "e.sh|#!/bin/sh|#!/bin/sh|# SPDX-License-Identifier: Apache-2.0"
  "run|#!/usr/bin/env bash|#!/usr/bin/env bash|# SPDX-License-Identifier: Apache-2.0"
  "f.py|#!/usr/bin/env python3|#!/usr/bin/env python3|# SPDX-License-Identifier: Apache-2.0"
  "g.pyi|def f() -> int: ...|# SPDX-License-Identifier: Apache-2.0|def f() -> int: ..."
  "h.htm|<!DOCTYPE html>|<!DOCTYPE html>|<!-- SPDX-License-Identifier: Apache-2.0 -->"
  "i.xml|<?xml version=\"1.0\"?>|<?xml version=\"1.0\"?>|<!-- SPDX-License-Identifier: Apache-2.0 -->"
  "j.svg|<svg/>|<!-- SPDX-License-Identifier: Apache-2.0 -->|<svg/>"
  "k.pc.in|prefix=@P@|# SPDX-License-Identifier: Apache-2.0|prefix=@P@"
  "W.1|.TH W 1|.\\\" SPDX-License-Identifier: Apache-2.0|.TH W 1"
  "pyproject.toml|[project]|# SPDX-License-Identifier: Apache-2.0|[project]"
  "_tarvo|#compdef tarvo|#compdef tarvo|"
  "x.cpp|// SPDX-License-Identifier: MIT|// SPDX-License-Identifier: MIT|"
  "notes.md|# Notes|# Notes|"
  "data.csv|a,b|a,b|"
  "blob|binary|binary|"
)
mkdir "$work/sample"
for c in "${cases[@]}"; do
  IFS='|' read -r name before _ _ <<<"$c"
  printf '%s\n' "$before" >"$work/sample/$name"
done
chmod 755 "$work/sample/e.sh"

if bash "$spdx" --check "$work/sample" >/dev/null 2>&1; then bad "--check passed on files without the line"; fi
bash "$spdx" "$work/sample"
for c in "${cases[@]}"; do
  IFS='|' read -r name _ want1 want2 <<<"$c"
  got1="$(sed -n 1p "$work/sample/$name")"
  got2="$(sed -n 2p "$work/sample/$name")"
  [ "$got1" = "$want1" ] || bad "$name line 1: '$got1', want '$want1'"
  [ "$got2" = "$want2" ] || bad "$name line 2: '$got2', want '$want2'"
done
[ -x "$work/sample/e.sh" ] || bad "e.sh lost its execute bit"
ls "$work/sample" | grep -q spdx && bad "temporary file left behind"

# The whole tree, exported without its history (or, outside a git work tree such as an
# unpacked source package, without build trees): every file gets the line once.
mkdir "$work/tree"
if [ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$src" && pwd -P)" ]; then
  git -C "$src" ls-files -z | (cd "$src" && xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$work/tree"
else
  tar -C "$src" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -xf - -C "$work/tree"
fi
bash "$spdx" "$work/tree"
bash "$spdx" --check "$work/tree" >/dev/null || bad "--check fails right after a run"
before="$(cd "$work/tree" && find . -type f -exec md5sum {} + | sort)"
bash "$spdx" "$work/tree"
after="$(cd "$work/tree" && find . -type f -exec md5sum {} + | sort)"
[ "$before" = "$after" ] || bad "a second run changed files"
n="$(grep -rl 'SPDX-License-Identifier' "$work/tree" | wc -l)"
[ "$n" -gt 150 ] || bad "only $n files carry the line"
while IFS= read -r -d '' f; do
  [ "$(head -n 6 "$f" | grep -c 'SPDX-License-Identifier:')" -le 1 ] || bad "${f#"$work"/} carries the line twice"
done < <(find "$work/tree" -type f -print0)
while IFS= read -r f; do
  head -n 1 "$f" | grep -q '^#!' || bad "$f no longer starts with its #! line"
  bash -n "$f" || bad "$f is no longer valid shell"
done < <(find "$work/tree" -name '*.sh' -o -path "$work/tree/.ci/run")
[ ! -f "$work/tree/LICENSE" ] || cmp -s "$work/tree/LICENSE" "$src/LICENSE" || bad "LICENSE was changed"

if ((fail)); then exit 1; fi
echo "spdx: all cases passed"
