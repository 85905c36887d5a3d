#!/usr/bin/env bash
# Installs what building and testing qzctr needs on Debian 12, and any packages named as arguments;
# skips apt when all is there.
set -euo pipefail
pkgs=(build-essential cmake ninja-build clang libclang-rt-dev
      qt6-base-dev qt6-serialport-dev libgl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      xvfb xauth "$@")
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
