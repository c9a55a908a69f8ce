#!/usr/bin/env bash
# Generates the locale ja_JP.UTF-8 (the users' locale, which tests also run under) unless the C
# library already has it. Needs the `locales` package; run as root or through sudo.
# Prints nothing when the locale is there.
set -euo pipefail
locale -a 2>/dev/null | grep -qixE 'ja_JP\.utf-?8' && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "ensure-locale: ja_JP.UTF-8 is missing and neither root nor sudo" >&2
    exit 1
fi
echo "ensure-locale: generating ja_JP.UTF-8"
"${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
