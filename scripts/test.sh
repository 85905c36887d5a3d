#!/usr/bin/env bash
# Installs dependencies, builds with AddressSanitizer and UndefinedBehaviorSanitizer (warnings are
# errors), runs CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_WERROR=ON
cmake --build build-test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
