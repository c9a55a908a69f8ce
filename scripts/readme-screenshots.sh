#!/usr/bin/env bash
# Retakes the README's screenshots (docs/face.png, docs/entry.png, docs/calendar.png) under the
# users' locale, ja_JP.UTF-8: the built program on a private Xvfb with openbox, due date
# 2027/03/01 typed into the entry dialog at the first start, today's countdown. Needs the build (build/bin/varadadid) and the e2e test tools.
# Usage: scripts/readme-screenshots.sh [build folder]
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source/build}" && pwd)
tmp=$(mktemp -d /tmp/varadadid-shots.XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$tmp/display")
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done

mkdir -p "$tmp/program" "$tmp/home/run"
chmod 700 "$tmp/home/run"
cp "$build/bin/varadadid" "$tmp/program/"
# No due date yet: the entry dialog opens at the start, and the date is typed in.
printf '[riloini]\r\nwin_x=3000\r\nwin_y=1500\r\ntemae=0\r\n' >"$tmp/program/rilo.ini"
env HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/home/run" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
    QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 "$tmp/program/varadadid" >"$tmp/program.log" 2>&1 &
pids+=($!)

wait_window() {
    timeout 15 xdotool search --sync --onlyvisible --name "$1" | head -n1 ||
        { cat "$tmp/program.log" >&2; return 1; }
}
# Crops the screen to a window with its frame (openbox's _NET_FRAME_EXTENTS), or to a part of
# the window's client area given as WxH+X+Y.
shot() {
    local window=$1 out=$2 part=${3:-}
    sleep 0.5 # let the last paint reach the screen
    local X Y WIDTH HEIGHT
    X=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
    WIDTH=$(xwininfo -id "$window" | sed -n 's/.*Width: *//p')
    HEIGHT=$(xwininfo -id "$window" | sed -n 's/.*Height: *//p')
    if [ -n "$part" ]; then
        local w=${part%%x*} rest=${part#*x}
        local h=${rest%%+*} offset=${rest#*+}
        local dx=${offset%%+*} dy=${offset#*+}
        import -window root -crop "${w}x${h}+$((X + dx))+$((Y + dy))" +repage "$out"
    else
        local l r t b
        IFS=', ' read -r l r t b < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //')
        import -window root -crop "$((WIDTH + l + r))x$((HEIGHT + t + b))+$((X - l))+$((Y - t))" \
            +repage "$out"
    fi
}

entry=$(wait_window '^データを入力してね$')
xdotool windowactivate --sync "$entry"
xdotool type 2027 && xdotool key Tab && xdotool type 3 && xdotool key Tab && xdotool type 1
shot "$entry" "$source/docs/entry.png"
xdotool key Tab Return
timeout 10 bash -c "while xdotool search --onlyvisible --name '^データを入力してね$' >/dev/null; do sleep 0.1; done"
gadget=$(wait_window '^varadadid$')
shot "$gadget" "$source/docs/face.png" 130x120+20+25

face_x=$(($(xwininfo -id "$gadget" | sed -n 's/.*Absolute upper-left X: *//p') + 85))
face_y=$(($(xwininfo -id "$gadget" | sed -n 's/.*Absolute upper-left Y: *//p') + 85))
xdotool mousemove "$face_x" "$face_y" click 3
sleep 0.5
xdotool key c
calendar=$(wait_window '^カレンダー$')
shot "$calendar" "$source/docs/calendar.png"
identify "$source"/docs/*.png
