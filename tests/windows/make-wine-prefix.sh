#!/usr/bin/env bash
# Makes a Wine prefix: the one the Windows end-to-end tests share, or a fresh one of an
# installer test (once; a prefix already made is kept). Wine's menu builder is off, so that
# nothing is written into the host's menus. The prefix's server is started here, in the foreground, and ends by itself once
# wineboot is done; it is waited for by its id.
set -euo pipefail
prefix=$1
[ -e "$prefix/.made" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineserver --foreground &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
wineboot --init
wait "$server" || true
trap - EXIT
touch "$prefix/.made"
