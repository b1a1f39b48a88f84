#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Puts an SPDX licence line into every source file, in the comment syntax of its type.
#   scripts/spdx.sh [--check] [DIR]
# DIR defaults to the repository root; in a git work tree only tracked files are looked at,
# elsewhere every file below DIR except build trees. A file that already carries an
# SPDX-License-Identifier line in its first lines is left alone, so a second run changes
# nothing. --check changes nothing, lists the files without the line and fails if there is one.
set -euo pipefail

id="SPDX-License-Identifier: Apache-2.0"
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
if [ $# -gt 1 ] || [[ "${1:-}" == -* ]]; then
  echo "usage: $0 [--check] [DIR]" >&2
  exit 2
fi
root="${1:-$(dirname "$0")/..}"
cd "$root"

list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1 &&
    [ "$(git rev-parse --show-toplevel)" = "$(pwd -P)" ]; then
    git ls-files
  else
    find . -path ./.git -prune -o -path './build*' -prune -o -path './obj-*' -prune -o -type f -print \
      | sed 's|^\./||' | sort
  fi
}

# The comment that carries the line, by file type; empty for files that get none.
comment_for() {
  local f="$1" base="${1##*/}"
  case "$f" in
    debian/* | fuzz/corpus/* | */testdata/* | LICENSE | NOTICE) return ;;
  esac
  case "$base" in
    *.cpp | *.cc | *.hpp) echo "// $id" ;;
    *.c | *.h | *.map) echo "/* $id */" ;;
    CMakeLists.txt | *.cmake | *.cmake.in | *.pc.in | *.sh | *.bash | *.py | *.pyi | *.supp \
      | *.desktop | *.toml | *.cfg | *.yml | *.yaml | .clang-format | .gitignore) echo "# $id" ;;
    *.htm | *.html | *.xml | *.svg) echo "<!-- $id -->" ;;
    *.[1-9]) echo ".\\\" $id" ;;
    *.*) ;;
    *)
      # Extensionless scripts (for example .ci/run) are known by their "#!" line; others,
      # such as a zsh completion that must start with "#compdef", are left alone.
      if head -c 2 "$f" 2>/dev/null | grep -q '^#!'; then echo "# $id"; fi
      ;;
  esac
}

has_line() { head -n 5 "$1" | grep -q 'SPDX-License-Identifier:'; }

# Where the line goes: after a "#!" line, an XML declaration or an HTML doctype, else first.
insert_line() {
  local f="$1" line="$2" tmp
  tmp="$(mktemp "$f.spdx.XXXXXX")"
  if head -n 1 "$f" | grep -Eqi '^(#!|<\?xml|<!doctype)'; then
    { head -n 1 "$f"; printf '%s\n' "$line"; tail -n +2 "$f"; } >"$tmp"
  else
    { printf '%s\n' "$line"; cat "$f"; } >"$tmp"
  fi
  chmod --reference="$f" "$tmp"
  mv "$tmp" "$f"
}

missing=0
while IFS= read -r f; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  line="$(comment_for "$f")"
  [ -n "$line" ] || continue
  has_line "$f" && continue
  if ((check)); then
    echo "no SPDX line: $f"
    missing=$((missing + 1))
  else
    insert_line "$f" "$line"
  fi
done < <(list_files)

if ((check)); then
  if ((missing)); then
    echo "$missing file(s) without an SPDX line" >&2
    exit 1
  fi
  echo "every source file carries an SPDX line"
fi
