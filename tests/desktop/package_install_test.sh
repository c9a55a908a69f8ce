#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and starts the unpacked program on a
# private Xvfb display, as root (who may write to the program's folder) and then as a new user, as
# with /usr/bin after `apt install`. The gadget must come up carrying its icon, keep each user's
# settings in that user's folder and write nothing beside itself.
# Usage: package_install_test.sh <build folder> <source folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
show() { if [ -f "$1" ]; then sed 's/^/    /' "$1" >&2; fi; }

tmp=$(mktemp -d /tmp/varadadid-package.XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    chmod -R u+w "$tmp" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp" # the unprivileged user below must reach the unpacked program

# --- The package ------------------------------------------------------------------------------
cpack -G DEB -B "$tmp/pkg" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1 ||
    { show "$tmp/cpack.log"; fail "cpack -G DEB"; }
shopt -s nullglob
debs=("$tmp"/pkg/varadadid_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || fail "expected one varadadid_*.deb, found ${#debs[@]}"
deb=${debs[0]}
echo "package: ${deb##*/}"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = varadadid ] || fail "package name: $(field Package)"
# Computed library dependencies, plus the font the Japanese text is drawn with and Qt's
# translations.
depends=$(field Depends)
echo "depends: $depends"
names=$(sed 's/ *([^)]*)//g; s/ *, */\n/g' <<<"$depends")
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 fonts-ipafont-gothic \
    qt6-translations-l10n; do
    grep -qxF "$dep" <<<"$names" || fail "Depends lacks $dep"
done
outside=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v -E '^\./(usr/.*)?$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

# Debian's own checks: errors fail, warnings are only shown.
lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || { show "$tmp/lintian.log"; fail "lintian"; }
grep -E '^[EW]: ' "$tmp/lintian.log" >&2 || true

# --- Unpacked: desktop entry and icons --------------------------------------------------------
root=$tmp/root
dpkg-deb -x "$deb" "$root"
entry=$root/usr/share/applications/varadadid.desktop
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "desktop entry does not validate"
key() { sed -n "s/^$1=//p" "$entry"; }
[ -n "$(key 'Name\[ja\]')" ] || fail "desktop entry has no Name[ja]"
program=$(key Exec)
[ -x "$root/usr/bin/$program" ] || fail "Exec=$program is not an installed program in /usr/bin"
# A login autostart copy of the entry, left behind by apt remove, is skipped once the program is gone.
[ "$(key TryExec)" = "$program" ] || fail "TryExec='$(key TryExec)', not the program $program"
# The package states the version the program prints.
printed=$(DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version)
[ "$printed" = "varadadid $(field Version)" ] ||
    fail "package version $(field Version), the program's --version: $printed"
icon=$(key Icon)
hicolor=$root/usr/share/icons/hicolor
small=$hicolor/32x32/apps/$icon.png
[ -f "$small" ] || fail "no 32x32 icon named $icon"
read -r w h colours < <(identify -format '%w %h %k\n' "$small")
if [ "$w $h" != "32 32" ] || [ "$colours" -gt 256 ]; then
    fail "32x32 icon is ${w}x$h with $colours colours"
fi
[ -f "$hicolor/scalable/apps/$icon.svg" ] || [ -f "$hicolor/256x256/apps/$icon.png" ] ||
    fail "no scalable or large icon named $icon"
if [ -f "$hicolor/256x256/apps/$icon.png" ]; then
    [ "$(identify -format '%wx%h' "$hicolor/256x256/apps/$icon.png")" = 256x256 ] ||
        fail "256x256 icon has another size"
fi

# --- Unpacked: the program on a private X display ----------------------------------------------
# Run first by root, who may write beside the program, and then by a new user: root's settings
# stay in root's own folder, and the new user starts from nothing.
touch "$tmp/started"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
[ -s "$tmp/display" ] || { show "$tmp/xvfb.log"; fail "Xvfb did not start"; }
display=:$(head -n1 "$tmp/display")
export DISPLAY=$display

# run_program <home> <command prefix...>: starts the unpacked program as that user with that home,
# waits for its gadget and checks the gadget's window. Sets program_pid and wid.
run_program() {
    local home=$1
    shift
    mkdir -p "$home/run"
    chmod 700 "$home/run"
    # An unreachable Wayland display, as in a Wayland session: the program must still come up on X.
    "$@" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR="$home/run" DISPLAY="$display" WAYLAND_DISPLAY=wayland-varadadid-test \
        "$root/usr/bin/$program" >"$home/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    wid=$(timeout 20 xdotool search --sync --onlyvisible --pid "$program_pid" --name '^varadadid$' |
        head -n1) || true
    [ -n "$wid" ] || { show "$home/program.log"; fail "no visible gadget window within 20 s"; }
    # The window icon: the 32 x 32 artwork, from the resources built into the program.
    xprop -id "$wid" _NET_WM_ICON | grep -q 'Icon (32 x 32)' ||
        fail "the gadget window carries no 32x32 icon"
    # Desktops match the window to its entry by its class.
    local wm_class
    wm_class=$(xprop -id "$wid" WM_CLASS | sed -n 's/.*, "\(.*\)"$/\1/p')
    [ "$wm_class" = "$(key StartupWMClass)" ] ||
        fail "window class '$wm_class', desktop entry StartupWMClass '$(key StartupWMClass)'"
}
end_program() {
    kill -TERM "$program_pid"
    local status=0
    timeout 10 tail --pid="$program_pid" -f /dev/null || fail "the program did not end on SIGTERM"
    wait "$program_pid" || status=$?
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

if [ "$(id -u)" -eq 0 ]; then
    # Root, with a due date already entered: the gadget comes up, and the start's write of the
    # always-on-top flag lands in root's per-user file although /usr/bin would take it.
    roothome=$tmp/roothome
    mkdir -p "$roothome/.config/varadadid"
    printf '[riloini]\r\nstart_up=1\r\nyoteibi=2005/10/10\r\nhajime=2005/01/03\r\ntemae=x\r\n' \
        >"$roothome/.config/varadadid/rilo.ini"
    run_program "$roothome"
    for _ in $(seq 100); do
        grep -q '^temae=0' "$roothome/.config/varadadid/rilo.ini" && break
        sleep 0.1
    done
    grep -q '^temae=0' "$roothome/.config/varadadid/rilo.ini" ||
        fail "root's start wrote nothing to root's per-user rilo.ini"
    end_program
    # Run as nobody, who owns only the home folder.
    home=$tmp/home
    mkdir -p "$home"
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    home=$tmp/home
    chmod a-w "$root/usr/bin"
    as_user=()
fi
# A new user: the first-start dialog asks for the due date.
run_program "$home" "${as_user[@]}"
timeout 20 xdotool search --sync --onlyvisible --pid "$program_pid" --name '^データを入力してね$' \
    >/dev/null || fail "the new user saw no first-start dialog"
end_program
written=$(find "$root" -mindepth 1 -newer "$tmp/started")
[ -z "$written" ] || fail "written under the install root: $written"
echo "ok: the installed program ran as root and as a new user on $display, each with settings of their own"
