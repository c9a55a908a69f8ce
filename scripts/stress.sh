#!/bin/sh
# Runs the widget and end-to-end suites while busy loops occupy the CPUs, as on a shared CI
# machine: a test that relies on timing instead of waiting for state fails here.
#   scripts/stress.sh [build folder] [runs] [ctest jobs]; STRESS_BUSY busy loops (2).
# Every widget test runs up to `runs` times. Every end-to-end test runs once, under each window
# manager and locale it has; the end-to-end tests under openbox in the C locale then run up to
# `runs` - 1 times more: the other window managers and the Japanese locale repeat the same checks
# at the same pace, so repeating them too would double the time and find nothing new.
# The busy loops are stopped by their pids when this script ends, fails or is interrupted.
set -u
build=${1:-build}
runs=${2:-2}
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
echo "stress: $busy busy loops (pids$pids); widget tests up to $runs times, end-to-end tests once," \
    "those under openbox in the C locale up to $runs times"
cd "$build" || exit 1
status=0
ctest --output-on-failure -j "$jobs" -L '^widget$' --repeat until-fail:"$runs" || status=1
ctest --output-on-failure -j "$jobs" -L '^e2e$' || status=1
if [ "$runs" -gt 1 ]; then
    ctest --output-on-failure -j "$jobs" -L '^e2e$' -E '\.(ja_JP|metacity|mutter-x11|mutter|kwin|weston)$' \
        --repeat until-fail:$((runs - 1)) || status=1
fi
exit $status
