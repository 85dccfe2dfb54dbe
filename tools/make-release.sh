#!/usr/bin/env bash
# Packs the Windows program for users: build/release/VarnelKelvara-<version>-win32.zip holding
# Kelvara.exe, Languages/ (the language files, when there are any), Help.html (when it exists),
# README.txt and LICENSE, all in one folder VarnelKelvara-<version>/. Builds the Windows program
# first unless it is already built and up to date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(sed -n 's/^project(VarnelKelvara VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make-release: no version in CMakeLists.txt" >&2; exit 1; }
name=VarnelKelvara-$version

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Kelvara >/dev/null

stage=build/release/$name
zip=build/release/$name-win32.zip
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp build/win32/src/app/Kelvara.exe "$stage/"
# Users get the program without the debugging symbols the build keeps.
i686-w64-mingw32-strip "$stage/Kelvara.exe"
cp tools/release/README.txt "$stage/README.txt"
cp LICENSE "$stage/LICENSE"
if compgen -G 'lang/DLan_*.ini' >/dev/null; then
    mkdir -p "$stage/Languages"
    cp lang/DLan_*.ini "$stage/Languages/"
fi
for help in Help.html assets/Help.html docs/Help.html; do
    if [ -f "$help" ]; then cp "$help" "$stage/Help.html"; break; fi
done
# Windows users open text files in Notepad, which wants CR LF.
for text in README.txt LICENSE; do
    sed -i 's/\r$//; s/$/\r/' "$stage/$text"
done

(cd build/release && python3 -m zipfile -c "$name-win32.zip" "$name")
echo "$zip"
python3 -m zipfile -l "$zip"
