#!/usr/bin/env bash
# Records what is under /dev, /etc and /usr, or checks that a test run changed none of it.
#   system-unchanged.sh record <file>   writes the listing
#   system-unchanged.sh check <file>    fails, showing the differences, if anything changed
# A device node is listed with its type, owner, mode and device number; other files with their
# type, owner, mode, size, modification time and link target. Mounts of their own under /dev
# (pts, shm, mqueue) hold programs' passing state and are left out.
set -euo pipefail
list() {
    {
        find /dev -xdev \( -path /dev/pts -o -path /dev/shm -o -path /dev/mqueue \) -prune -o \
            -exec stat -c '%n %F %U:%G %a %t:%T' {} +
        find /etc /usr -xdev -printf '%p %y %u:%g %m %s %T@ %l\n'
    } 2>/dev/null | LC_ALL=C sort
}
case ${1:-} in
record) list >"$2" ;;
check)
    changes=$(list | diff "$2" - | grep '^[<>]' || true)
    [ -n "$changes" ] || exit 0
    echo "system-unchanged: the test run changed the machine (< before, > after):" >&2
    head -n 50 <<<"$changes" >&2
    exit 1
    ;;
*)
    echo "usage: $0 record|check <file>" >&2
    exit 2
    ;;
esac
