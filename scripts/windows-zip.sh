#!/usr/bin/env bash
# Builds the Windows program with the Qt of scripts/build-qt-windows.sh and packs the portable
# zip: varadadid.exe with exactly the DLLs it loads (found by walking the PE imports of the exe
# and its plugins), the windows platform plugin, the windowsvista style, Qt's Japanese
# translation, the IPA fonts for systems without the Japanese ones, the licences of what it
# ships (licenses/) and README.txt. Then the installer of the same files (NSIS,
# packaging/windows/setup.nsi): varadadid-<version>-setup.exe.
# Usage: windows-zip.sh <build folder>; prints the zip's path and then the installer's.
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
# Which Qt source the DLLs were built from, and how to obtain it, in plain words.
qt_full=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_upstream=${qt_full%%+*}
{ echo "The Qt DLLs and plugins in this folder (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,"
  echo "Qt6Network.dll, platforms\\qwindows.dll, styles\\qwindowsvistastyle.dll) are Qt $qt_upstream"
  echo "(the qtbase module), built unmodified but for the two small changes in"
  echo "qtbase-windows.patch, beside this file."
  echo
  echo "Source: Debian's source package qt6-base, version $qt_full, which is Qt's own"
  echo "qtbase $qt_upstream source with Debian's patches. Debian keeps every published version for"
  echo "download, as three files (.dsc, .orig.tar.xz, .debian.tar.xz), at"
  echo "  https://snapshot.debian.org/package/qt6-base/${qt_full//+/%2B}/"
  echo "On a Debian system the same source is fetched with"
  echo "  apt-get source qt6-base=$qt_full"
  echo "Qt's own release of the same version, without Debian's patches, is at"
  echo "  https://download.qt.io/archive/qt/${qt_upstream%.*}/$qt_upstream/submodules/"
  echo
  echo "To build the same DLLs: unpack that source (dpkg-source -x on the .dsc applies Debian's"
  echo "patches), apply qtbase-windows.patch (patch -p1), and build it with the options below."
  echo "The program loads these DLLs from its folder, so a Qt you build yourself can replace them."
  echo
  "$source/scripts/build-qt-windows.sh" --describe
  echo "Toolchain file: mingw64.cmake (-DCMAKE_TOOLCHAIN_FILE), beside this file."
  echo
  echo "Qt is licensed under the GNU LGPL version 3 (..\\LGPL-3.txt, which refers to ..\\GPL-3.txt)."
  echo "The third-party code compiled into these DLLs is listed in ..\\qt-third-party\\README.txt."
} | sed 's/\r*$/\r/' >"$licenses/qt/SOURCE.txt"
for file in qtbase-windows.patch mingw64.cmake; do
    crlf "$source/packaging/windows/$file" >"$licenses/qt/$file"
done
# The notices of the third-party code inside the Qt DLLs, as Qt's attribution files name it,
# for the components the build put into them (recorded by build-qt-windows.sh).
"$source/scripts/qt-attributions.py" notices "$qt/attributions" "$licenses/qt-third-party"
# One place that says under which terms each part of the folder is given, the program first.
program_terms=$(awk '/^License: all-rights-reserved/ { on = 1; next } on && /^ / { sub(/^ /, ""); print; next } on { exit }' \
    "$source/packaging/debian/copyright")
[ -n "$program_terms" ] || { echo "windows-zip: no program licence in packaging/debian/copyright" >&2; exit 1; }
{ echo "りろ日記 (varadadid) $version: under which terms each part of this folder is given"
  echo
  echo "varadadid.exe, the program itself:"
  echo "$program_terms" | sed 's/^/  /'
  echo
  echo "Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, Qt6Network.dll, platforms\\qwindows.dll,"
  echo "styles\\qwindowsvistastyle.dll, translations\\qtbase_ja.qm: Qt, GNU LGPL version 3"
  echo "  LGPL-3.txt, GPL-3.txt; the source they are built from: qt\\SOURCE.txt"
  echo "  third-party code compiled into them, and which DLL carries it: qt-third-party\\README.txt"
  echo "libgcc_s_seh-1.dll, libstdc++-6.dll: GCC's runtime, GNU GPL version 3 with the GCC Runtime"
  echo "  Library Exception: GPL-3.txt, GCC-Runtime-Library-Exception.txt"
  echo "libwinpthread-1.dll: MinGW-w64's winpthreads: winpthreads.txt"
  echo "fonts\\ipag.ttf, fonts\\ipagp.ttf: IPA Font License Agreement v1.0: ..\\fonts\\IPA_Font_License.txt"
} | sed 's/\r*$/\r/' >"$licenses/README.txt"
{ printf '\xef\xbb\xbf'; crlf "$source/packaging/windows/README.txt.in" |
    sed "s/@PROJECT_VERSION@/$version/"; } >"$stage/README.txt"

zip=$build/varadadid-$version-windows-x64.zip
rm -f "$zip"
(cd "$build/stage" && TZ=UTC zip -q -r -X "$zip" varadadid)
echo "$zip"

# The installer: the same files, the uninstaller's exact list of them, and the marker that makes
# the installed program keep its settings in %APPDATA%.
nsis=$build/installer
rm -rf "$nsis"
mkdir -p "$nsis"
(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | sort) >"$nsis/folders"
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) >"$nsis/files"
winpath() { printf '%s' "$1" | tr / '\\'; }
{ echo 'SetOutPath "$INSTDIR"'
  while read -r file; do
      if [ "${file%/*}" = "$file" ]; then echo "File \"$stage/$file\""; fi
  done <"$nsis/files"
  while read -r folder; do
      echo "SetOutPath \"\$INSTDIR\\$(winpath "$folder")\""
      while read -r file; do
          if [ "${file%/*}" = "$folder" ]; then echo "File \"$stage/$file\""; fi
      done <"$nsis/files"
  done <"$nsis/folders"
} >"$nsis/install.nsh"
{ while read -r file; do echo "Delete \"\$INSTDIR\\$(winpath "$file")\""; done <"$nsis/files"
  sort -r "$nsis/folders" | while read -r folder; do echo "RMDir \"\$INSTDIR\\$(winpath "$folder")\""; done
} >"$nsis/uninstall.nsh"
crlf "$source/packaging/windows/varadadid-installed.txt" >"$nsis/varadadid-installed.txt"
publisher=$(sed -n 's/^Copyright: [0-9, -]* \(.*[^ ]\) *<.*/\1/p' "$source/packaging/debian/copyright" | head -n 1)
setup=$build/varadadid-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$nsis" \
    -DPUBLISHER="${publisher:-varadadid}" -DPACKAGING="$source/packaging/windows" -DOUTFILE="$setup" \
    "$source/packaging/windows/setup.nsi" >"$nsis/makensis.log" 2>&1 ||
    { tail -n 30 "$nsis/makensis.log" >&2; exit 1; }
echo "$setup"
