#!/usr/bin/env bash
# Installs dependencies, builds, and starts the editor (with the simulated keypad when none is attached).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_TESTS=OFF -DQZ_BENCH=OFF
cmake --build build -j"$(nproc)"
if ls /sys/class/tty/*/device/driver 2>/dev/null | xargs -r -n1 readlink 2>/dev/null | grep -q cdc_acm; then
    exec build/ui/qzctr "$@"
else
    exec build/ui/qzctr --simulate "$@"
fi
