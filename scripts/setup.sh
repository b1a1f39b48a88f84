#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages that building, testing and running need (only the missing ones).
set -euo pipefail

packages=(
  build-essential cmake git pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  libpugixml-dev libcli11-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth fonts-dejavu-core
  ccache libcsv-dev help2man bash-completion
  python3-dev pybind11-dev python3-pytest python3-numpy python3-pandas python3-dask
  python3-distributed python3-jsonschema python3-setuptools python3-pip
  qt6-translations-l10n
  debhelper dh-python lintian fakeroot dpkg-dev appstream desktop-file-utils
  gcovr
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
