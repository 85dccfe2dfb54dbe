#!/usr/bin/env bash
# The zip a user downloads: tools/make-release.sh makes it; it holds the program, the user's
# README, the licence, and the language files and help page where the project has them; the
# program needs no DLL but Windows' own; unpacked into a fresh folder it runs "/Scan" on a copy
# of the sample installation under Wine and writes its figures.
#
#   release.sh <artifacts folder>
set -uo pipefail

artifacts=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$artifacts"

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"

zip=$(bash "$root/tools/make-release.sh" win32 | sed -n 1p)
if [ ! -f "$root/$zip" ]; then
    fail "make-release.sh made no zip"
    echo "$failures failure(s)"
    exit 1
fi
pass "made $zip"
folder=$(basename "$zip" -win32.zip)

# ---- what the zip holds -------------------------------------------------------------------------
listing=$(python3 -m zipfile -l "$root/$zip" | awk 'NR > 1 { print $1 }')
expect_entry() {
    grep -qx "$folder/$1" <<<"$listing" && pass "the zip holds $1" || fail "the zip lacks $1"
}
expect_entry Kelvara.exe
expect_entry README.txt
expect_entry LICENSE
if compgen -G "$root/lang/DLan_*.ini" >/dev/null; then
    for file in "$root"/lang/DLan_*.ini; do expect_entry "Languages/$(basename "$file")"; done
fi
[ -f "$root/assets/Help.html" ] || [ -f "$root/Help.html" ] || [ -f "$root/docs/Help.html" ] && expect_entry Help.html
outside=$(grep -v "^$folder/" <<<"$listing" | grep -c . || true)
[ "$outside" = 0 ] && pass "everything lies in one folder $folder/" || fail "$outside entries outside $folder/"

# ---- unpacked -----------------------------------------------------------------------------------
unpacked=$artifacts/release-unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
python3 -m zipfile -e "$root/$zip" "$unpacked"
program=$unpacked/$folder/Kelvara.exe
grep -q 'Varnel Kelvara is a registry compactor\|registry compactor for Windows' "$unpacked/$folder/README.txt" &&
    pass "README.txt says what the program is" || fail "README.txt does not say what the program is"
grep -q $'\r$' "$unpacked/$folder/README.txt" && pass "README.txt has Windows line ends" ||
    fail "README.txt has Unix line ends"

# Only DLLs that Windows always takes from its system folder (known DLLs, and comctl32 through
# the manifest): the program runs as administrator, often from a downloads folder, where a DLL
# planted beside it would otherwise be loaded.
system_dlls='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|MSVCRT|OLE32|SHELL32|USER32)\.DLL$'
others=$(i686-w64-mingw32-objdump -p "$program" | sed -n 's/.*DLL Name: //p' | tr '[:lower:]' '[:upper:]' |
         grep -Ev "$system_dlls" | paste -sd ' ')
[ -z "$others" ] && pass "Kelvara.exe needs no DLL but Windows' own" || fail "Kelvara.exe needs $others"

# The DLLs those pull in before the program's first line (uxtheme through comctl32, msimg32 through
# uxtheme) come from System32 only: the load configuration's DependentLoadFlags holds
# LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800). Read with binutils, not with the build's own step: the
# entry from the optional header, then the structure's bytes at that address (its Size, a 32-bit
# value at offset 0; DependentLoadFlags, 16 bits at offset 54, in Microsoft's PE format layout).
headers=$(i686-w64-mingw32-objdump -p "$program")
image_base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")
read -r config_rva config_size < <(awk '$1 == "Entry" && $2 == "a" { print $3, $4 }' <<<"$headers")
if [ -z "$config_rva" ] || [ $((16#$config_rva)) -eq 0 ]; then
    fail "Kelvara.exe has no load configuration entry"
else
    start=$((16#$image_base + 16#$config_rva))
    # objdump -s prints "address word word word word  text"; the words are the bytes in file order.
    config_hex=$(i686-w64-mingw32-objdump -s --start-address=$start --stop-address=$((start + 64)) "$program" |
                 awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5 && $i ~ /^[0-9a-f]+$/; i++) printf "%s", $i }')
    byte_at() { echo $((16#${config_hex:$(($1 * 2)):2})); }
    struct_size=$(($(byte_at 0) | $(byte_at 1) << 8 | $(byte_at 2) << 16 | $(byte_at 3) << 24))
    load_flags=$(($(byte_at 54) | $(byte_at 55) << 8))
    [ $((16#$config_size)) -eq "$struct_size" ] && [ "$struct_size" -ge 64 ] &&
        pass "the load configuration entry names the structure ($struct_size bytes at RVA 0x$config_rva)" ||
        fail "the load configuration entry (size 0x$config_size) and the structure's size ($struct_size) disagree"
    [ "$load_flags" -eq $((0x800)) ] && pass "DependentLoadFlags is LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800)" ||
        fail "DependentLoadFlags is $(printf '0x%X' "$load_flags"), not 0x800"
fi

sample=$root/build/linux/sample
if [ ! -d "$sample/Windows" ]; then
    # The archive's own checks above still count: a failure among them fails the suite; without
    # one, the run is only incomplete and CTest counts it skipped (77).
    echo "SKIP: no sample installation at $sample to run the unpacked program on"
    echo "$failures failure(s)"
    [ $failures -eq 0 ] || exit 1
    exit 77
fi
e2e_begin_env "$root" "$artifacts/e2e-release-env"
trap e2e_end_env EXIT
installation=$artifacts/release-installation
rm -rf "$installation"
cp -a "$sample" "$installation"
result=$artifacts/release-scan.ini
rm -f "$result"
to_windows() { echo "Z:$(echo "$1" | tr '/' '\\')"; }
KELVARA_OFFLINE_ROOT=$(to_windows "$installation") timeout 120 wine "$program" /Scan "$(to_windows "$result")"
rc=$?
[ $rc -eq 0 ] && pass "the unpacked program ran /Scan and ended with exit code 0" || fail "exit code $rc"
current=$(tr -d '\r' <"$result" 2>/dev/null | sed -n 's/^Current Size=//p')
[[ "$current" =~ ^[0-9,]+\ KB$ ]] && pass "it wrote its figures (Current Size $current)" ||
    fail "no figures in $result: '$current'"
[ -f "$unpacked/$folder/options.ini" ] && pass "its settings went beside it" || fail "no options.ini beside the program"

echo "$failures failure(s)"
[ $failures -eq 0 ]
