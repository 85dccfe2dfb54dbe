#!/usr/bin/env bash
# The tarball a technician puts on a rescue stick: tools/make-release.sh makes it; it holds
# kelvara, kelvara-hive, the technicians' README, the licence and the language files in one
# folder. Unpacked into a fresh root that holds nothing but the C library (and /proc), run there
# with an empty environment, the programs show their help, refuse to guess a Windows folder,
# and do /Silent then /Undo on a copy of the sample installation: every hive comes back as it was.
#
#   linux_release.sh <sample installation> <work folder>
#
# Exit code 77 (counted as skipped) when not run as root, which the fresh root (chroot) needs.
set -uo pipefail

sample=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"

[ "$(id -u)" -eq 0 ] || { echo "SKIP: a root with nothing but the C library needs chroot, and so root"; exit 77; }
[ -d "$sample/Windows" ] || { echo "FAIL: no sample installation at $sample"; exit 1; }

tarball=$(bash "$root/tools/make-release.sh" linux | sed -n 1p)
if [ ! -f "$root/$tarball" ]; then
    echo "FAIL: make-release.sh made no tarball"
    exit 1
fi
pass "made $tarball ($(stat -c %s "$root/$tarball") bytes)"
folder=$(basename "$tarball" .tar.gz)

# ---- what the tarball holds --------------------------------------------------------------------
listing=$(tar -tzf "$root/$tarball" | sed 's|/$||')
expected=$( (echo "$folder"; for entry in kelvara kelvara-hive README.txt LICENSE; do echo "$folder/$entry"; done
             if compgen -G "$root/lang/DLan_*.ini" >/dev/null; then
                 echo "$folder/Languages"
                 for file in "$root"/lang/DLan_*.ini; do echo "$folder/Languages/$(basename "$file")"; done
             fi) | sort)
[ "$(sort <<<"$listing")" = "$expected" ] && pass "it holds the programs, README.txt, LICENSE and the language files in $folder/" ||
    fail "its entries differ (< expected, > in the tarball): $(diff <(echo "$expected") <(sort <<<"$listing") | grep '^[<>]' | paste -sd ' ')"

# ---- unpacked into a root of its own -----------------------------------------------------------
jail=$work/root
proc_mounted=0
cleanup() { [ $proc_mounted -eq 1 ] && umount "$jail/proc"; }
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$jail/proc" "$jail/tmp"
tar -C "$jail" -xzf "$root/$tarball"
unpacked=$jail/$folder

# The programs may ask for shared libraries of the C library only; objdump reads what they ask.
for program in kelvara kelvara-hive; do
    others=$(objdump -p "$unpacked/$program" | sed -n 's/^ *NEEDED *//p' |
             grep -Ev '^(libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2)$' | paste -sd ' ')
    [ -z "$others" ] && pass "$program needs no library but the C library's" || fail "$program needs $others"
done
newest=$(objdump -T "$unpacked/kelvara" "$unpacked/kelvara-hive" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/GLIBC_//' |
         sort -uV | tail -n 1)
grep -q "GNU C library $newest or later" "$unpacked/README.txt" &&
    pass "README.txt names the oldest C library they run on: $newest, the newest version their symbols ask for" ||
    fail "README.txt does not name the C library $newest: $(grep -i 'C library' "$unpacked/README.txt")"
for topic in ntfs-3g remove_hiberfile bitlk KELVARA_OFFLINE_ROOT /Scan /Silent /Undo 'kelvara-hive check' 'Exit codes' LICENSE; do
    grep -qF -- "$topic" "$unpacked/README.txt" || fail "README.txt says nothing of $topic"
done

# Nothing but the dynamic loader, the C library and its maths part, as the programs name them.
mkdir -p "$jail/lib64" "$jail/lib/x86_64-linux-gnu"
cp -L /lib64/ld-linux-x86-64.so.2 "$jail/lib64/"
cp -L /lib/x86_64-linux-gnu/libc.so.6 /lib/x86_64-linux-gnu/libm.so.6 "$jail/lib/x86_64-linux-gnu/"
# The program reads its command line and finds its folder through /proc, as every Linux has it.
mount -t proc proc "$jail/proc" && proc_mounted=1 || { echo "FAIL: could not mount /proc in $jail"; exit 1; }
# run <environment...> -- <program> <arguments...>: in the fresh root, with only that environment.
chroot=$(command -v chroot)
run() {
    local environment=()
    while [ "$1" != -- ]; do environment+=("$1"); shift; done
    shift
    env -i "${environment[@]}" "$chroot" "$jail" "/$folder/$1" "${@:2}" >"$work/out" 2>"$work/err"
}

run -- kelvara --help
rc=$?
[ $rc -eq 0 ] && grep -q '^Usage: kelvara' "$work/out" && pass "kelvara --help shows its usage, with exit code 0" ||
    fail "kelvara --help ended with $rc: $(head -n 3 "$work/out" "$work/err")"
run -- kelvara-hive --help
rc=$?
[ $rc -eq 0 ] && grep -q '^Usage: kelvara-hive' "$work/out" && pass "kelvara-hive --help shows its usage" ||
    fail "kelvara-hive --help ended with $rc: $(head -n 3 "$work/out" "$work/err")"

# Without KELVARA_OFFLINE_ROOT a release has no folder to work on and guesses none.
run -- kelvara /Scan /result.ini
rc=$?
[ $rc -eq 1 ] && grep -q 'KELVARA_OFFLINE_ROOT' "$work/err" && [ ! -e "$jail/result.ini" ] &&
    pass "without KELVARA_OFFLINE_ROOT kelvara asks for the folder and ends with 1" ||
    fail "without KELVARA_OFFLINE_ROOT: exit code $rc, '$(cat "$work/err")'"

# ---- /Silent, then /Undo, on a copy of the sample ----------------------------------------------
cp -R "$sample" "$jail/windows"
mapfile -t files < <(cd "$sample" && find . -type f | sed 's|^\./||' | sort)
run KELVARA_OFFLINE_ROOT=/windows -- kelvara /Silent
rc=$?
[ $rc -eq 0 ] && pass "/Silent ended with exit code 0" || fail "/Silent ended with $rc: $(tail -n 3 "$work/err")"
# A hive's old file goes to <hive>.bak, its logs beside it: SOFTWARE.LOG1 to SOFTWARE.bak.LOG1.
backup_of() { if [[ ${1^^} =~ \.LOG[12]?$ ]]; then echo "${1%.*}.bak.${1##*.}"; else echo "$1.bak"; fi; }
kept=0
for file in "${files[@]}"; do
    cmp -s "$jail/windows/$(backup_of "$file")" "$sample/$file" && kept=$((kept + 1))
done
[ $kept -eq ${#files[@]} ] && pass "/Silent kept every hive and log of the sample as a backup" ||
    fail "/Silent kept $kept of the sample's ${#files[@]} hives and logs as backups"
run -- kelvara-hive check /windows/Windows/System32/config/SOFTWARE
rc=$?
[ $rc -eq 0 ] && pass "kelvara-hive finds the new SOFTWARE sound" || fail "kelvara-hive check ended with $rc: $(cat "$work/out" "$work/err")"

run KELVARA_OFFLINE_ROOT=/windows -- kelvara /Undo
rc=$?
[ $rc -eq 0 ] && pass "/Undo ended with exit code 0" || fail "/Undo ended with $rc: $(tail -n 3 "$work/err")"
differ=()
for file in "${files[@]}"; do
    cmp -s "$jail/windows/$file" "$sample/$file" && [ ! -e "$jail/windows/$(backup_of "$file")" ] || differ+=("$file")
    [[ ${file^^} =~ \.LOG[12]?$ ]] || [ -f "$jail/windows/$file.undone" ] || differ+=("$file.undone")
done
[ ${#differ[@]} -eq 0 ] && pass "/Undo put every hive and log back byte for byte, each compacted hive kept as .undone" ||
    fail "/Undo did not put back: ${differ[*]}"
[ -f "$unpacked/options.ini" ] && pass "the settings went beside the program" || fail "no options.ini beside the program"

echo "$failures failure(s)"
[ $failures -eq 0 ]
