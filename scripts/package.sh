#!/usr/bin/env bash
# Installs dependencies, builds a release and makes the Debian package: build-deb/qzctr_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) and file compute the package's dependencies from the programs.
scripts/install-deps.sh dpkg-dev file
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF -DQZ_BENCH=OFF
cmake --build build-deb -j"$(nproc)"
cd build-deb
rm -f qzctr_*.deb
cpack -G DEB
