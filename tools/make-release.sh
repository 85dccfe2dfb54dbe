#!/usr/bin/env bash
# Packs the program for users, in build/release/, each archive holding one folder of its name:
#
#   VarnelKelvara-<version>-win32.zip            Kelvara.exe, Languages/ (when there are language
#                                                files), Help.html (when it exists), README.txt,
#                                                LICENSE; text with Windows line ends
#   VarnelKelvara-<version>-linux-x86_64.tar.gz  kelvara and kelvara-hive for rescue systems
#                                                (linux-release preset: only the C library
#                                                needed), Languages/, the technicians' README.txt
#                                                stating the oldest C library they run on, LICENSE
#
#   make-release.sh [win32] [linux]     the archives named, both when none is
#
# Builds what it packs first unless it is already built and up to date. Prints each archive's
# path, then its listing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(sed -n 's/^project(VarnelKelvara VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make-release: no version in CMakeLists.txt" >&2; exit 1; }
name=VarnelKelvara-$version

# stage <folder>: an empty folder build/release/<folder>, its path in $stage.
stage_folder() {
    stage=build/release/$1
    rm -rf "$stage"
    mkdir -p "$stage"
}

copy_language_files() {
    if compgen -G 'lang/DLan_*.ini' >/dev/null; then
        mkdir -p "$1/Languages"
        cp lang/DLan_*.ini "$1/Languages/"
    fi
}

make_win32() {
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 --target Kelvara >/dev/null
    local zip=build/release/$name-win32.zip
    stage_folder "$name"
    rm -f "$zip"
    cp build/win32/src/app/Kelvara.exe "$stage/"
    # Users get the program without the debugging symbols the build keeps.
    i686-w64-mingw32-strip "$stage/Kelvara.exe"
    cp tools/release/README.txt "$stage/README.txt"
    cp LICENSE "$stage/LICENSE"
    copy_language_files "$stage"
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
}

# The newest version of the GNU C library that any of the programs asks for by symbol version:
# the oldest C library they run on.
oldest_glibc() {
    objdump -T "$@" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/^GLIBC_//' | sort -uV | tail -n 1
}

# Refuses a program that needs a shared library beyond the C library's own.
only_the_c_library() {
    local program needed
    for program in "$@"; do
        needed=$(objdump -p "$program" | sed -n 's/^ *NEEDED *//p' |
                 grep -Ev '^(libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2)$' | paste -sd ' ' || true)
        if [ -n "$needed" ]; then
            echo "make-release: $(basename "$program") needs $needed besides the C library" >&2
            exit 1
        fi
    done
}

make_linux() {
    cmake --preset linux-release >/dev/null
    cmake --build --preset linux-release --target kelvara kelvara-hive >/dev/null
    local folder=$name-linux-x86_64
    local tarball=build/release/$folder.tar.gz
    stage_folder "$folder"
    rm -f "$tarball"
    cp build/linux-release/src/app/kelvara build/linux-release/tools/kelvara-hive/kelvara-hive "$stage/"
    strip "$stage/kelvara" "$stage/kelvara-hive"
    only_the_c_library "$stage/kelvara" "$stage/kelvara-hive"
    local glibc
    glibc=$(oldest_glibc "$stage/kelvara" "$stage/kelvara-hive")
    [ -n "$glibc" ] || { echo "make-release: objdump found no C library version in the programs" >&2; exit 1; }
    sed "s/@VERSION@/$version/g; s/@GLIBC@/$glibc/g" tools/release/README-linux.txt >"$stage/README.txt"
    cp LICENSE "$stage/LICENSE"
    copy_language_files "$stage"
    tar -C build/release --sort=name --owner=0 --group=0 --numeric-owner -czf "$tarball" "$folder"
    echo "$tarball"
    tar -tvzf "$tarball"
}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(win32 linux)
for target in "${targets[@]}"; do
    case $target in
        win32) make_win32 ;;
        linux) make_linux ;;
        *) echo "make-release: unknown target '$target' (win32 or linux)" >&2; exit 1 ;;
    esac
done
