#!/usr/bin/env bash
# Renders the calculator's main window in German and English to docs/screenshots/
# (offscreen, no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
# The renderer lives with the calculator tests.
cmake -S . -B "$build" -DTARVO_TESTS=ON >/dev/null
cmake --build "$build" --target wechsler_screenshot Tarvon32 -j"$(nproc)"
mkdir -p docs/screenshots
export QT_QPA_PLATFORM=offscreen
"$build/bin/wechsler_screenshot" de_DE docs/screenshots/main-de.png
"$build/bin/wechsler_screenshot" en_US docs/screenshots/main-en.png
echo "docs/screenshots/main-de.png docs/screenshots/main-en.png"
