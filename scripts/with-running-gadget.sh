#!/usr/bin/env bash
# Runs a command (the test suites of `make test`) beside a running gadget, as a user's own gadget
# may run while she tests, and fails when the command took that gadget's second-start channel
# away: after the command, a second start of the program on the gadget's settings folder must
# still reach it (end with status 0, saying nothing, while the gadget runs on).
#
# The command runs with a runtime folder of its own (XDG_RUNTIME_DIR), where the gadget holds the
# default lock and channel: a test that reaches for the user's default channel reaches this
# gadget's and is caught, and the user's real gadget, in her own runtime folder, is never touched.
# The gadget runs on a private Xvfb with its own home and settings folder, off the user's session
# bus; whatever this script starts is stopped by its id.
#
# Usage: with-running-gadget.sh <program> <command> [<argument>...]
set -euo pipefail
program=$(realpath "$1")
shift

fail() {
    echo "with-running-gadget: $*" >&2
    exit 1
}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/varadadid-suite.XXXXXX") # short: the channel is a socket path
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
runtime=$tmp/run
settings=$tmp/settings
mkdir -m 700 "$runtime"
mkdir -p "$settings" "$tmp/home/.config" "$tmp/home/.cache"
# A due date already entered: the gadget comes up with its face, not the entry dialog.
printf '[riloini]\r\nstart_up=1\r\nyoteibi=2005/10/10\r\nhajime=2005/01/03\r\ntemae=0\r\n' \
    >"$settings/rilo.ini"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 200); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
[ -s "$tmp/display" ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"

gadget_env=(env -u DBUS_SESSION_BUS_ADDRESS -u SESSION_MANAGER -u WAYLAND_DISPLAY -u XAUTHORITY
    DISPLAY=":$(head -n1 "$tmp/display")" XDG_RUNTIME_DIR="$runtime" HOME="$tmp/home"
    XDG_CONFIG_HOME="$tmp/home/.config" XDG_CACHE_HOME="$tmp/home/.cache" QT_QPA_PLATFORM=xcb
    NO_AT_BRIDGE=1)
"${gadget_env[@]}" "$program" --settings-dir "$settings" >"$tmp/gadget.log" 2>&1 &
gadget=$!
pids+=("$gadget")
# The gadget listens once it holds the lock, before its window shows.
for _ in $(seq 600); do
    [ -S "$runtime/varadadid.socket" ] || ! kill -0 "$gadget" 2>/dev/null && break
    sleep 0.1
done
kill -0 "$gadget" 2>/dev/null || fail "the gadget ended at its start: $(cat "$tmp/gadget.log")"
[ -S "$runtime/varadadid.socket" ] || fail "the gadget did not listen within 60 s"

# second_start <when>: a second start on the gadget's settings folder brings the gadget forward.
second_start() {
    local said status=0
    said=$(timeout 30 "${gadget_env[@]}" "$program" --settings-dir "$settings" 2>&1) || status=$?
    if [ "$status" -eq 124 ]; then
        fail "$1, a second start did not end: it found no running gadget and started a new copy"
    fi
    [ "$status" -eq 0 ] || fail "$1, a second start ended with status $status: $said"
    if grep -q '^varadadid: ' <<<"$said"; then
        fail "$1, a second start did not reach the running gadget (a test took the default" \
            "channel $runtime/varadadid.socket from it?): $said"
    fi
    kill -0 "$gadget" 2>/dev/null || fail "$1, the gadget no longer runs: $(cat "$tmp/gadget.log")"
}
second_start "before the tests"

status=0
XDG_RUNTIME_DIR=$runtime "$@" || status=$?
second_start "after the tests"
exit "$status"
