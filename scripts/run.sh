#!/usr/bin/env bash
# Installs dependencies, builds, and starts the editor (with the simulated keypad when none is attached).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_TESTS=OFF -DQZ_BENCH=OFF
cmake --build build -j"$(nproc)"
keypad=no
for driver in /sys/class/tty/*/device/driver; do
    [ "$(basename "$(readlink -f "$driver")")" = cdc_acm ] && keypad=yes
done
if [ "$keypad" = yes ]; then
    exec build/ui/qzctr "$@"
else
    exec build/ui/qzctr --simulate "$@"
fi
