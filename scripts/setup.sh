#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs (only those missing), then configures and builds
# it in build/. Run as root on Debian 12; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  libeigen3-dev libboost-dev libcairo2-dev nlohmann-json3-dev libcli11-dev
  libtbb-dev  # threads for resampling
  libpng-dev  # a quicker PNG encoder for the pictures
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core ghostscript
  qt6-base-dev  # the windows (Qt 6 Widgets); tests run on its offscreen platform
  dpkg-dev file  # cpack -G DEB: dependencies of the package
  clang libclang-rt-14-dev clang-format  # fuzz targets (libFuzzer) and the formatting check
  locales  # a decimal-comma locale for the tests that numbers never follow the user's locale
  python3  # the session tests check results with its standard library
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale tests run under German number formatting; they are skipped where it is missing.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  locale-gen >/dev/null
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
