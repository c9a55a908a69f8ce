#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet, then makes sure
# the locale ja_JP.UTF-8 exists (scripts/ensure-locale.sh). Prints nothing when everything is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
missing=()
while read -r pkg; do
    pkg=${pkg%%#*}
    pkg=${pkg//[[:space:]]/}
    [ -n "$pkg" ] || continue
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$pkg")
done <"$here/packages.txt"
if [ ${#missing[@]} -eq 0 ]; then
    exec "$here/ensure-locale.sh"
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Wait for another apt run (an unattended upgrade, a parallel build) instead of failing.
apt=(apt-get -o DPkg::Lock::Timeout=600)
"${sudo[@]}" "${apt[@]}" update -qq
"${sudo[@]}" "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
"$here/ensure-locale.sh"
