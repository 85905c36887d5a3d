#!/usr/bin/env bash
# Milliseconds from starting the editor until its window is viewable on the X server, five times.
# Run under Xvfb:  xvfb-run -a bench/startup.sh build-rel/ui/qzctr [PROJECT]
set -u
program=${1:?the qzctr program}
project=${2:-}
export QZCTR_HOME=${QZCTR_HOME:-$(mktemp -d)}
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$program" ${project:+"$project"} 2>/dev/null &
    pid=$!
    shown=""
    for _ in $(seq 1 5000); do
        for id in $(xwininfo -root -tree 2>/dev/null | grep -i 'qzctr' | awk '{print $1}'); do
            if xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; then
                shown=$id
                break
            fi
        done
        [ -n "$shown" ] && break
        sleep 0.002
    done
    end=$(date +%s%N)
    echo "run $run: $(((end - start) / 1000000)) ms${shown:+ (window $shown viewable)}"
    kill "$pid"
    wait "$pid" 2>/dev/null
done
