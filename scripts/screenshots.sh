#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Renders every window of the calculator in German and English to docs/screenshots/
# (offscreen, no display needed): the main window with 100 DEM, the main window with the
# largest amounts at scale 1 and 2, and every dialog. The renderers are the calculator's
# tests, which fail when a caption or a number does not fit.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out="$PWD/docs/screenshots"
cmake -S . -B "$build" -DTARVO_TESTS=ON >/dev/null
cmake --build "$build" --target wechsler_screenshot test_mainscreens test_dialogs_screens \
  Tarvon32 -j"${JOBS:-2}"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
"$build/bin/wechsler_screenshot" de_DE "$out/main-de.png"
"$build/bin/wechsler_screenshot" en_US "$out/main-en.png"
MAIN_SCREENSHOT_DIR="$out" "$build/bin/test_mainscreens" >/dev/null
MAIN_SCREENSHOT_DIR="$out" QT_SCALE_FACTOR=2 "$build/bin/test_mainscreens" >/dev/null
DIALOG_SCREENSHOT_DIR="$out" "$build/bin/test_dialogs_screens" >/dev/null
ls "$out"
