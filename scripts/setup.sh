#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs (only those missing) and configures the build in
# build/. Run as root on Debian 12; safe to run again. Usage: scripts/setup.sh [batch|all]
#   batch  only what the batch program needs (scripts/example.sh): no windows, no tests
#   all    (the default) everything: the windows, the tests, the benchmarks, the fuzz targets
#          and the formatting check
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}

# What tessaly-batch needs to build and to draw its pictures.
packages=(
  build-essential cmake ninja-build pkg-config
  libeigen3-dev libboost-dev libcairo2-dev nlohmann-json3-dev libcli11-dev
  libtbb-dev  # threads for resampling
  libpng-dev  # a quicker PNG encoder for the pictures
  fonts-dejavu-core
)
if [ "$what" = all ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev ghostscript
    qt6-base-dev  # the windows (Qt 6 Widgets); tests run on its offscreen platform
    dpkg-dev file  # cpack -G DEB: dependencies of the package
    clang libclang-rt-14-dev clang-format  # fuzz targets (libFuzzer) and the formatting check
    locales  # a decimal-comma locale for the tests that numbers never follow the user's locale
    python3  # the session tests check results with its standard library
  )
fi
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

if [ "$what" = batch ]; then
  # A build folder set up for everything stays so: the batch program is built the same way.
  [ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_WINDOWS=OFF \
      -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF >/dev/null
  exit 0
fi

# The locale tests run under German number formatting; they are skipped where it is missing.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  locale-gen >/dev/null
fi

# The windows and the tests are turned on again where an example run configured only the
# batch program; the benchmarks keep their setting (scripts/bench.sh builds them in
# build-bench/).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_WINDOWS=ON \
  -DTESSALY_TESTS=ON >/dev/null
