#!/usr/bin/env bash
# Builds the Windows program with the Qt of scripts/build-qt-windows.sh and packs the portable
# zip: varadadid.exe with exactly the DLLs it loads (found by walking the PE imports of the exe
# and its plugins), the windows platform plugin, the windowsvista style, Qt's Japanese
# translation, the IPA fonts for systems without the Japanese ones, the licences of what it
# ships (licenses/) and README.txt.
# Usage: windows-zip.sh <build folder>; prints the zip's path on its last line.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-windows}
mkdir -p "$build"
build=$(cd "$build" && pwd)
qt=$("$source/scripts/build-qt-windows.sh" | tail -n 1)
# The version of project() in CMakeLists.txt, which the exe's version block states as well.
version=$(sed -n 's/^project(varadadid VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ -n "$version" ] || { echo "windows-zip: no version in project() of CMakeLists.txt" >&2; exit 1; }

cmake -S "$source" -B "$build/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source/packaging/windows/mingw64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DVARADADID_BUILD_TESTS=OFF >"$build/configure.log" 2>&1 ||
    { tail -n 30 "$build/configure.log" >&2; exit 1; }
cmake --build "$build/cmake" --target varadadid -j "${JOBS:-$(nproc)}" >"$build/build.log" 2>&1 ||
    { tail -n 30 "$build/build.log" >&2; exit 1; }

stage=$build/stage/varadadid
rm -rf "$build/stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/fonts"
x86_64-w64-mingw32-strip -o "$stage/varadadid.exe" "$build/cmake/bin/varadadid.exe"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

# The DLLs the program and its plugins import, and theirs in turn, from Qt and the MinGW
# runtime; what is found in neither is Windows' own.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
search=("$qt/bin" "$gcc_dir" /usr/x86_64-w64-mingw32/lib)
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=("$stage/varadadid.exe" "$stage/platforms/qwindows.dll" "$stage/styles/qwindowsvistastyle.dll")
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$file"); do
        [ -e "$stage/$dll" ] && continue
        for dir in "${search[@]}"; do
            if [ -e "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/$dll"
                queue+=("$stage/$dll")
                break
            fi
        done
    done
done

find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf \
    "$stage/fonts/"
crlf() { sed 's/\r*$/\r/' "$1"; }
crlf /usr/share/doc/fonts-ipafont-gothic/copyright >"$stage/fonts/IPA_Font_License.txt"
# Qt (LGPL 3, whose text refers to the GPL 3) with what rebuilds the same Qt, and the MinGW runtime:
# libgcc and libstdc++ under the GPL 3 with the GCC Runtime Library Exception, winpthreads under
# its own notices (the stanzas of mingw-w64's copyright that name it, and their licences).
licenses=$stage/licenses
mkdir -p "$licenses/qt"
crlf /usr/share/common-licenses/LGPL-3 >"$licenses/LGPL-3.txt"
crlf /usr/share/common-licenses/GPL-3 >"$licenses/GPL-3.txt"
# The exception's text, from its title to the end of its last section.
awk '/^GCC RUNTIME LIBRARY EXCEPTION$/ { on = 1 } on { print }
     on && /^requirements of the license of GCC\.$/ { exit }' /usr/share/doc/gcc-mingw-w64-base/copyright |
    sed 's/\r*$/\r/' >"$licenses/GCC-Runtime-Library-Exception.txt"
grep -q 'presumption that third-party software' "$licenses/GCC-Runtime-Library-Exception.txt" ||
    { echo "windows-zip: no GCC Runtime Library Exception in gcc-mingw-w64-base's copyright" >&2; exit 1; }
awk 'BEGIN { RS = ""; ORS = "\n\n" }
     /^Files:[^\n]*winpthreads/ || /^License: (expat|BSD-3-clause|public-domain)\n/' \
    /usr/share/doc/mingw-w64-common/copyright | sed 's/\r*$/\r/' >"$licenses/winpthreads.txt"
{ echo "The Qt DLLs and plugins shipped here are built from:"
  echo
  "$source/scripts/build-qt-windows.sh" --describe
  echo "Toolchain file: mingw64.cmake (-DCMAKE_TOOLCHAIN_FILE)"
  echo
  echo "Both files are in this folder. Qt is licensed under the GNU LGPL version 3 (../LGPL-3.txt)."
} | sed 's/\r*$/\r/' >"$licenses/qt/SOURCE.txt"
cp "$source/packaging/windows/qtbase-windows.patch" "$source/packaging/windows/mingw64.cmake" \
    "$licenses/qt/"
{ printf '\xef\xbb\xbf'; crlf "$source/packaging/windows/README.txt.in" |
    sed "s/@PROJECT_VERSION@/$version/"; } >"$stage/README.txt"

zip=$build/varadadid-$version-windows-x64.zip
rm -f "$zip"
(cd "$build/stage" && TZ=UTC zip -q -r -X "$zip" varadadid)
echo "$zip"
