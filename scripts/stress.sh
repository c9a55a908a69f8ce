#!/bin/sh
# Runs the widget and end-to-end suites several times while busy loops occupy the CPUs, as on a
# shared CI machine: a test that relies on timing instead of waiting for state fails here.
#   scripts/stress.sh [build folder] [runs] [ctest jobs]; STRESS_BUSY busy loops (2).
# The busy loops are stopped by their pids when this script ends, fails or is interrupted.
set -u
build=${1:-build}
runs=${2:-3}
jobs=${3:-2}
busy=${STRESS_BUSY:-2}

pids=""
stop() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null
    done
    pids=""
}
trap stop EXIT
trap 'stop; exit 130' INT
trap 'stop; exit 143' TERM HUP

i=0
while [ "$i" -lt "$busy" ]; do
    sh -c 'while :; do :; done' &
    pids="$pids $!"
    i=$((i + 1))
done
echo "stress: $busy busy loops (pids$pids); each widget and e2e test up to $runs times"
cd "$build" && ctest --output-on-failure -j "$jobs" -L '^(widget|e2e)$' \
    --repeat until-fail:"$runs"
