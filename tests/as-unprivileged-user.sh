#!/bin/sh
# Runs a test program as an unprivileged user, so that the tests of files and folders without
# write or read permission mean something when the suite itself runs as root.
# Exits 77 (skipped) when not root: the normal run already covers those tests then.
[ "$(id -u)" -eq 0 ] || exit 77
command -v setpriv >/dev/null || exit 77
run() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp TMPDIR=/tmp "$@"; }
# A build folder that the unprivileged user cannot reach cannot be tested this way.
run test -x "$1" || exit 77
run "$@"
