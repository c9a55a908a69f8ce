#!/usr/bin/env bash
# Builds Qt's qtbase for Windows (x86_64-w64-mingw32) from Debian's own source package of
# qt6-base, the same upstream version as the host's qt6-base-dev, whose moc, rcc and uic it uses.
# Shared libraries, Release, Qt's bundled third-party libraries, and only what the program needs:
# Core, Gui, Widgets, Network, the windows platform plugin and the windowsvista style.
#
# Installs into $VARADADID_QT_CACHE (default ~/.cache/varadadid)/qt-<version>-mingw64-<options>
# and prints that folder on its last line. A finished install (its .complete stamp) is reused.
# Beside Qt, the install keeps what the Windows zip's third-party notices are made from, which
# only the build and the source know and which go with the work folder: attributions/, Qt's
# attribution files and the list of source files each shipped DLL was built from
# (scripts/qt-attributions.py). An install made without it is built again.
# The machine's apt configuration is left alone: the source comes through a private sources
# list and state folder. About an hour on 2 busy cores; the log is build.log in the work folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

qt_full=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
qt_version=${qt_full%%+*}
qt_version=${qt_version%%-*}
jobs=${JOBS:-$(nproc)}

# Every option that changes the result is part of the cache key.
features=(
    sql opengl dynamicgl dbus printsupport concurrent xml testlib vulkan ssl openssl icu
    tabletevent system_zlib system_pcre2 system_freetype system_harfbuzz system_png
    system_jpeg system_doubleconversion jpeg gif ico direct2d zstd glib sctp
    networklistmanager tuiotouch androiddeployqt windeployqt qmake
)
options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF -DFEATURE_optimize_size=ON -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
for f in "${features[@]}"; do options+=("-DFEATURE_$f=OFF"); done
key=$(printf '%s\n' "$qt_full" "${options[@]}" | sha256sum | cut -c1-12)

# --describe: what the Windows zip tells of this Qt, so that anyone can build the same one.
if [ "${1:-}" = --describe ]; then
    echo "Debian source package: qt6-base $qt_full (apt-get source qt6-base=$qt_full)"
    echo "Mends applied to it: qtbase-windows.patch (patch -p1)"
    echo "Compilers: Debian's x86_64-w64-mingw32-gcc-posix and x86_64-w64-mingw32-g++-posix"
    echo "CMake options: -G Ninja ${options[*]}"
    exit 0
fi

cache=${VARADADID_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varadadid}
prefix=$cache/qt-$qt_version-mingw64-$key
mkdir -p "$cache"
# One build at a time per configuration: a second call (make test starts one early, in the
# background) waits for the first and then finds its result.
exec 9>"$cache/.lock-$qt_version-$key"
flock 9
if [ -e "$prefix/.complete" ] && [ -e "$prefix/attributions/built-files.txt" ]; then
    echo "$prefix"
    exit 0
fi
rm -f "$prefix/.complete"
work=$cache/work-$qt_version-$key
mkdir -p "$work"
log=$work/build.log
echo "build-qt-windows: building Qt $qt_version for Windows into $prefix (log: $log)" >&2

# The source, through a private apt state; the download is checked against the signed archive.
src=$work/qtbase-src
if [ ! -e "$src/.unpacked" ]; then
    apt_dir=$work/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$work/download"
    cat >"$apt_dir/sources.list" <<'EOF'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
EOF
    apt=(apt-get -q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
        -o "Dir::Cache=$apt_dir" -o Debug::NoLocking=1)
    "${apt[@]}" update >>"$log" 2>&1
    (cd "$work/download" && "${apt[@]}" source --download-only "qt6-base=$qt_full" >>"$log" 2>&1)
    dsc=$(ls "$work/download"/qt6-base_"${qt_full#*:}".dsc)
    rm -rf "$src"
    # Debian's patches (security fixes among them) are applied as for the Linux packages.
    dpkg-source --no-check -x "$dsc" "$src" >>"$log" 2>&1
    touch "$src/.unpacked"
fi

# The program's mends to Qt's source (see the patch's head), applied once.
mends=$here/../packaging/windows/qtbase-windows.patch
if ! patch -d "$src" -p1 -R -s -f --dry-run <"$mends" >/dev/null 2>&1; then
    patch -d "$src" -p1 -s -f <"$mends" >>"$log" 2>&1 || { tail -n 20 "$log" >&2; exit 1; }
fi
toolchain=$here/../packaging/windows/mingw64.cmake

build=$work/build
if [ ! -e "$build/build.ninja" ]; then
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >>"$log" 2>&1 ||
        { tail -n 40 "$log" >&2; exit 1; }
fi
nice -n 5 cmake --build "$build" -j "$jobs" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
cmake --install "$build" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
"$here/qt-attributions.py" record "$build" "$src" "$prefix" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; exit 1; }
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
