#!/usr/bin/env bash
# The rescue from Linux on a real NTFS volume: an image made with mkntfs and mounted with
# ntfs-3g, as a technician mounts a Windows disk. The Linux program runs /Scan, /Silent and /Undo
# on Windows installations in folders of it. After each step the volume is unmounted and read
# back with ntfsprogs, which read the image without FUSE: every hive and log has the bytes it
# must have, every name keeps its letter case, and nothing is left behind.
#
#   ntfs.sh <kelvara> <kelvara-hive> <sample installation> <work folder> [<real hives folder>]
#
# Without a real hives folder: two copies of the sample installation, one with the names in the
# letter case of today's Windows and one in that of older ones (WINDOWS\system32\config\software),
# and then a volume left hibernated. With it: the sample with a real dirty NTUSER.DAT from
# Windows 10 and its logs (ntuser.dat.log1, .log2, in the letter case they came with), whose
# content after /Silent must be what an independent reader recovered.
#
# Exit code 77 (counted as skipped) where this machine cannot mount a FUSE filesystem, or when
# the real hives are asked for and the shared folder is absent.
set -uo pipefail

kelvara=$1
checker=$2
sample=$3
work=$4
real_hives=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/e2e_common.sh
source "$here/../e2e_common.sh"

skip() { echo "SKIP: $*"; exit 77; }

# ---- can this machine mount NTFS through FUSE? -------------------------------------------------
[ "$(id -u)" -eq 0 ] || skip "mounting with ntfs-3g needs root; this runs as $(id -un)"
for tool in mkntfs ntfs-3g ntfsls ntfscat; do
    command -v "$tool" >/dev/null || skip "$tool is missing: install Debian's ntfs-3g (tools/setup.sh does)"
done
[ -c /dev/fuse ] || modprobe fuse 2>/dev/null
[ -c /dev/fuse ] || skip "this machine has no /dev/fuse and 'modprobe fuse' did not make one"
(exec 3<>/dev/fuse) 2>/dev/null || skip "/dev/fuse cannot be opened here (a container without the device?)"
[ -d "$sample/Windows" ] || { echo "FAIL: no sample installation at $sample"; exit 1; }
if [ -n "$real_hives" ] && [ ! -d "$real_hives" ]; then
    # Only our machines and CI have the shared folder; a clone elsewhere skips, one beside an
    # incomplete shared folder fails.
    [ -d "$(dirname "$real_hives")" ] || skip "no shared folder at $(dirname "$real_hives") with real hives"
    echo "FAIL: $(dirname "$real_hives") has no real-hives folder"
    exit 1
fi

rm -rf "$work"
mkdir -p "$work"
# A program already running for this user (another test, another build) would take over each
# start here as the one instance: the lock and socket that find it go into a folder of our own.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR"
image=$work/volume.img
volume=$work/mnt
mkdir -p "$volume"
truncate -s 256M "$image"
mkntfs --quick --force --quiet --label Windows "$image" >"$work/mkntfs.log" 2>&1 ||
    { echo "FAIL: mkntfs could not format $image:"; cat "$work/mkntfs.log"; exit 1; }

# ntfs-3g in the foreground (no_detach) as a child of this script: after umount, waiting for it
# means the volume is written out and closed, so ntfsprogs then read what a next boot would.
ntfs_pid=
mount_volume() {   # mount_volume [<more ntfs-3g options>]
    ntfs-3g -o "no_detach${1:+,$1}" "$image" "$volume" >>"$work/ntfs-3g.log" 2>&1 &
    ntfs_pid=$!
    for _ in $(seq 1 100); do
        mountpoint -q "$volume" && return 0
        kill -0 "$ntfs_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "FAIL: ntfs-3g could not mount $image:"
    cat "$work/ntfs-3g.log"
    exit 1
}
unmount_volume() {
    [ -n "$ntfs_pid" ] || return 0
    umount "$volume" || fail "umount $volume"
    wait "$ntfs_pid" || fail "ntfs-3g ended with an error: $(tail -n 3 "$work/ntfs-3g.log")"
    ntfs_pid=
}
trap unmount_volume EXIT

# Every name on the volume below <folder>, read by ntfsls from the image: "a/b". (ntfsls joins
# a folder and its subfolders' names without a slash unless the folder ends with one.)
volume_names() {
    ntfsls --recursive --path "/$1/" "$image" 2>/dev/null |
        awk -v top="/$1/" '/^\/.*:$/ { dir = substr($0, length(top) + 1, length($0) - length(top) - 1); next }
                           NF && $0 != "." && $0 != ".." { print (dir == "" ? "" : dir "/") $0 }' | sort -u
}
# The md5 of a file on the volume, read by ntfscat from the image.
volume_md5() { ntfscat "$image" "/$1" 2>/dev/null | md5sum | cut -d' ' -f1; }
volume_file() { ntfscat "$image" "/$1" >"$2" 2>/dev/null; }

# ---- the installations ------------------------------------------------------------------------
# The names of older Windows: WINDOWS\system32, and the machine hives in lower case but for SAM
# and SECURITY; the files' suffixes (.LOG1) stay as they are.
older_name() {
    sed -E -e 's|^Windows/|WINDOWS/|; s|^WINDOWS/System32/|WINDOWS/system32/|' \
           -e 's|(/config/)(SOFTWARE\|SYSTEM\|DEFAULT)(\.[^/]*)?$|\1\L\2\E\3|' <<<"$1"
}
mapfile -t sample_files < <(cd "$sample" && find . -type f | sed 's|^\./||' | sort)
declare -A original         # "<installation>/<name>" -> md5 of the file as it was put there
declare -A expected_export  # "<installation>/<hive>" -> hivexregedit's export of its recovered content
if [ -n "$real_hives" ]; then installations=(real); else installations=(today older); fi

put_file() {   # put_file <installation> <name> <source file>
    mkdir -p "$volume/$1/$(dirname "$2")"
    cp "$3" "$volume/$1/$2"
    original[$1/$2]=$(md5sum <"$3" | cut -d' ' -f1)
}
mount_volume
for installation in "${installations[@]}"; do
    for file in "${sample_files[@]}"; do
        name=$file
        [ "$installation" = older ] && name=$(older_name "$file")
        # The real user hive comes with logs of its own, below.
        [ "$installation" = real ] && [[ ${file^^} == USERS/ALEX/NTUSER.DAT* ]] && continue
        put_file "$installation" "$name" "$sample/$file"
    done
done
if [ -n "$real_hives" ]; then
    profile=Users/Alex
    for file in NTUSER.DAT ntuser.dat.log1 ntuser.dat.log2; do
        xz -dc "$real_hives/$file.xz" >"$work/$file"
        put_file real "$profile/$file" "$work/$file"
    done
    xz -dc "$real_hives/NTUSER.DAT.recovered.reg.xz" >"$work/NTUSER.DAT.recovered.reg"
    expected_export[real/$profile/NTUSER.DAT]=$work/NTUSER.DAT.recovered.reg
fi
unmount_volume
names_at_start=$(for i in "${installations[@]}"; do volume_names "$i" | sed "s|^|$i/|"; done)
missing=$(for key in "${!original[@]}"; do grep -qxF "$key" <<<"$names_at_start" || echo "$key"; done)
[ -z "$missing" ] && pass "the volume holds the installations with their names as written" ||
    fail "names not on the volume as written: $missing"

# Hive files are the installation's files but its logs; a log belongs to the hive whose name it
# continues, in whatever letter case.
is_log() { [[ "${1^^}" =~ \.LOG[12]?$ ]]; }
hive_names() { for key in "${!original[@]}"; do [[ $key == "$1"/* ]] && ! is_log "$key" && echo "${key#"$1"/}"; done | sort; }
hive_of_log() {   # hive_of_log <installation> <log name>
    local base=${2%.*} hive
    while IFS= read -r hive; do
        [ "${hive^^}" = "${base^^}" ] && { echo "$hive"; return; }
    done < <(hive_names "$1")
}
logs_of() {   # logs_of <installation>/<hive>: the names of its logs
    local key
    for key in "${!original[@]}"; do
        [[ $key == "${1%%/*}"/* ]] && is_log "$key" && [ "$(hive_of_log "${1%%/*}" "${key#*/}")" = "${1#*/}" ] &&
            echo "${key#*/}"
    done
}
# The names on the volume after each step, made from the names at the start:
#   /Scan    the same names;
#   /Silent  each hive also as <hive>.bak, and each log moved beside it, keeping its own spelling
#            ("ntuser.dat.log1" to "ntuser.dat.bak.log1"): the compacted hive needs no log;
#   /Undo    the names at the start again, and each hive also as <hive>.undone, without logs.
# /Silent and /Undo also leave the record of their hand-over in the installation's common
# application data (the installation says Windows 10: ProgramData).
names_after() {   # names_after <step> <installation>
    local key name
    grep "^$2/" <<<"$names_at_start" | sed "s|^$2/||" | while IFS= read -r name; do
        [ "$1" = /Silent ] && [ -n "${original[$2/$name]:-}" ] && is_log "$name" || echo "$name"
    done
    [ "$1" = /Scan ] && return
    printf '%s\n' ProgramData "ProgramData/Varnel Kelvara" "ProgramData/Varnel Kelvara/LastHandOver.ini"
    for key in "${!original[@]}"; do
        [[ $key == "$2"/* ]] || continue
        name=${key#"$2"/}
        if ! is_log "$name"; then
            [ "$1" = /Silent ] && echo "$name.bak" || echo "$name.undone"
        elif [ "$1" = /Silent ]; then
            echo "${name%.*}.bak.${name##*.}"
        fi
    done
}

# What a step must leave on the volume: exactly those names, in their letter case, and no two
# names of one folder that differ only in it.
expect_names() {   # expect_names <step> <installation>
    local expected actual twins
    expected=$(names_after "$1" "$2" | sort -u)
    actual=$(volume_names "$2")
    if [ "$expected" = "$actual" ]; then
        pass "$1, $2: every name as expected, in its letter case"
    else
        fail "$1, $2: the names differ from those expected (< expected, > on the volume):"
        diff <(echo "$expected") <(echo "$actual") | sed 's/^/      /'
    fi
    twins=$(sort -f <<<"$actual" | uniq -di)
    [ -z "$twins" ] || fail "$1, $2: names that differ only in letter case: $twins"
}

# ---- /Scan: figures written, no hive changed, no copy left ------------------------------------
mount_volume
result=$work/scan-result.ini
first=${installations[0]}
KELVARA_OFFLINE_ROOT=$volume/$first "$kelvara" /Scan "$result" >"$work/scan.out" 2>"$work/scan.err"
rc=$?
[ $rc -eq 0 ] && pass "/Scan ended with exit code 0" || fail "/Scan ended with $rc: $(cat "$work/scan.err")"
current=$(sed -n 's/^Current Size=//p' "$result" 2>/dev/null | tr -d '\r')
[[ "$current" =~ ^[0-9,]+\ KB$ ]] && pass "/Scan wrote its figures (Current Size $current)" ||
    fail "/Scan wrote no figures into $result"
unmount_volume
expect_names /Scan "$first"
changed=0
for key in "${!original[@]}"; do
    [[ $key == "$first"/* ]] && [ "$(volume_md5 "$key")" != "${original[$key]}" ] && changed=$((changed + 1))
done
[ $changed -eq 0 ] && pass "/Scan changed no file" || fail "/Scan changed $changed files"

# ---- /Silent: every hive replaced by its compacted copy, the old one kept as .bak --------------
mount_volume
for installation in "${installations[@]}"; do
    start=$(date +%s%N)
    KELVARA_OFFLINE_ROOT=$volume/$installation "$kelvara" /Silent >"$work/silent-$installation.out" 2>"$work/silent-$installation.err"
    rc=$?
    echo "      /Silent on $installation took $((($(date +%s%N) - start) / 1000000)) ms on ntfs-3g"
    [ $rc -eq 0 ] && pass "/Silent on $installation ended with exit code 0" ||
        fail "/Silent on $installation ended with $rc: $(tail -n 5 "$work/silent-$installation.err")"
done
unmount_volume
# For comparison only (nothing asserts a duration): the same job on the work folder's own disk.
cp -R "$sample" "$work/plain"
start=$(date +%s%N)
KELVARA_OFFLINE_ROOT=$work/plain "$kelvara" /Silent >/dev/null 2>&1 || fail "/Silent on a plain folder failed"
echo "      /Silent on a copy in $work took $((($(date +%s%N) - start) / 1000000)) ms"
rm -rf "$work/plain"
# What the compacted hive must hold, as hivex exports it: an independent reader's recovery where
# the test has one; else the backup as it stands, or for a hive with logs the backup as
# kelvara-hive recovers it from them (that recovery is checked against real logs elsewhere).
content_source() {
    if [ -n "${expected_export[$1]:-}" ]; then echo "the independent reader's recovery"
    elif [ -n "$(logs_of "$1")" ]; then echo "its backup recovered from its logs"
    else echo "its backup"; fi
}
content_before() {   # content_before <installation>/<hive>, its backup in $work/backup
    local log
    if [ -n "${expected_export[$1]:-}" ]; then
        cat "${expected_export[$1]}"
    elif [ -n "$(logs_of "$1")" ]; then
        rm -f "$work"/backup.*
        while IFS= read -r log; do
            volume_file "${1%%/*}/${log%.*}.bak.${log##*.}" "$work/backup.${log##*.}"
        done < <(logs_of "$1")
        "$checker" recover "$work/backup" "$work/backup-recovered" >/dev/null 2>&1 &&
            hivexregedit --export "$work/backup-recovered" '\' 2>/dev/null
    else
        hivexregedit --export "$work/backup" '\' 2>/dev/null
    fi
}
declare -A silent   # the hives /Silent left, by "<installation>/<name>"
for installation in "${installations[@]}"; do
    expect_names /Silent "$installation"
    while IFS= read -r hive; do
        key=$installation/$hive
        [ "$(volume_md5 "$key.bak")" = "${original[$key]}" ] ||
            fail "/Silent, $key.bak is not the hive as it was"
        volume_file "$key" "$work/hive"
        volume_file "$key.bak" "$work/backup"
        silent[$key]=$(md5sum <"$work/hive" | cut -d' ' -f1)
        if [ "${silent[$key]}" = "${original[$key]}" ]; then
            fail "/Silent, $key was not replaced"
        elif ! "$checker" check "$work/hive" >"$work/check.out" 2>&1; then
            fail "/Silent, $key does not pass its check: $(cat "$work/check.out")"
        elif ! cmp -s <(hivexregedit --export "$work/hive" '\' 2>/dev/null) <(content_before "$key"); then
            fail "/Silent, hivex reads other keys or values in $key than $(content_source "$key")"
        else
            pass "/Silent, $key: compacted ($(stat -c %s "$work/backup") -> $(stat -c %s "$work/hive") bytes), sound, the content of $(content_source "$key") to hivex"
        fi
    done < <(hive_names "$installation")
done

# ---- /Undo: every file as it was before /Silent, byte for byte ---------------------------------
mount_volume
for installation in "${installations[@]}"; do
    KELVARA_OFFLINE_ROOT=$volume/$installation "$kelvara" /Undo >"$work/undo-$installation.out" 2>"$work/undo-$installation.err"
    rc=$?
    [ $rc -eq 0 ] && pass "/Undo on $installation ended with exit code 0" ||
        fail "/Undo on $installation ended with $rc: $(tail -n 5 "$work/undo-$installation.err")"
done
unmount_volume
for installation in "${installations[@]}"; do
    expect_names /Undo "$installation"
    differ=()
    for key in "${!original[@]}"; do
        [[ $key == "$installation"/* ]] || continue
        [ "$(volume_md5 "$key")" = "${original[$key]}" ] || differ+=("${key#"$installation"/}")
    done
    [ ${#differ[@]} -eq 0 ] && pass "/Undo, $installation: every hive and log has its bytes from before /Silent" ||
        fail "/Undo, $installation: not as before /Silent: ${differ[*]}"
    while IFS= read -r hive; do
        [ "$(volume_md5 "$installation/$hive.undone")" = "${silent[$installation/$hive]}" ] ||
            fail "/Undo, $installation/$hive.undone is not the hive /Silent had made"
    done < <(hive_names "$installation")
done

if [ -n "$real_hives" ]; then
    echo "$failures failure(s)"
    [ $failures -eq 0 ]
    exit
fi

# ---- Windows runs between two Defrags: a second /Silent after it wrote logs, then /Undo --------
# Windows starts on the compacted hives and leaves logs beside the user's hive. A second /Silent
# sets the older backup aside with its logs and lets them go only once the new hand-over is
# accepted: the new backup is the hive as Windows left it, with Windows' logs, and nothing is left
# aside. /Undo after it gives back that hive and those logs byte for byte.
inst=${installations[0]}
user=$inst/Users/Alex/NTUSER.DAT
mount_volume
KELVARA_OFFLINE_ROOT=$volume/$inst "$kelvara" /Silent >"$work/again-first.out" 2>"$work/again-first.err" ||
    fail "/Silent before Windows runs failed: $(tail -n 3 "$work/again-first.err")"
if [ -e "$volume/$user.bak.LOG1" ]; then
    cp "$volume/$user.bak.LOG1" "$volume/$user.LOG1"
    head -c 8192 /dev/zero >"$volume/$user.LOG2"
    sync
fi
unmount_volume
declare -A windows_left
for name in "$user" "$user.LOG1" "$user.LOG2" "$inst/Windows/System32/config/SYSTEM"; do
    windows_left[$name]=$(volume_md5 "$name")
done
mount_volume
KELVARA_OFFLINE_ROOT=$volume/$inst "$kelvara" /Silent >"$work/again.out" 2>"$work/again.err"
rc=$?
[ $rc -eq 0 ] && pass "a second /Silent after Windows wrote logs ended with exit code 0" ||
    fail "a second /Silent after Windows wrote logs ended with $rc: $(tail -n 5 "$work/again.err")"
unmount_volume
[ "$(volume_md5 "$user.bak")" = "${windows_left[$user]}" ] &&
    [ "$(volume_md5 "$user.bak.LOG1")" = "${windows_left[$user.LOG1]}" ] &&
    [ "$(volume_md5 "$user.bak.LOG2")" = "${windows_left[$user.LOG2]}" ] &&
    pass "the new backup is the hive Windows left, with the logs Windows wrote" ||
    fail "the backup after the second /Silent is not the hive and logs Windows left"
aside=$(volume_names "$inst" | grep -i '\.old' || true)
[ -z "$aside" ] && pass "nothing is left aside after the second /Silent" || fail "left aside: $aside"
mount_volume
KELVARA_OFFLINE_ROOT=$volume/$inst "$kelvara" /Undo >"$work/undo-again.out" 2>"$work/undo-again.err"
rc=$?
[ $rc -eq 0 ] && pass "/Undo after the second /Silent ended with exit code 0" ||
    fail "/Undo after the second /Silent ended with $rc: $(tail -n 5 "$work/undo-again.err")"
unmount_volume
differ=()
for name in "${!windows_left[@]}"; do
    [ "$(volume_md5 "$name")" = "${windows_left[$name]}" ] || differ+=("$name")
done
[ ${#differ[@]} -eq 0 ] && pass "/Undo gave back the hives and logs Windows had left, byte for byte" ||
    fail "/Undo after the second /Silent: not as Windows left them: ${differ[*]}"


# ---- a Windows left hibernated or in fast start ------------------------------------------------
# Its hibernation file begins with "HIBR"; ntfs-3g then mounts the volume read-only, and the
# program must say so rather than fail without a reason.
mount_volume
{ printf 'HIBR'; head -c 4092 /dev/zero; } >"$volume/hiberfil.sys"
unmount_volume
names_before=$(volume_names today)
mount_volume
grep -qw ro <(findmnt -no OPTIONS "$volume") && pass "ntfs-3g mounted the hibernated volume read-only" ||
    fail "ntfs-3g mounted the hibernated volume for writing: $(findmnt -no OPTIONS "$volume")"
KELVARA_OFFLINE_ROOT=$volume/today "$kelvara" /Silent >"$work/hibernated.out" 2>"$work/hibernated.err"
rc=$?
[ $rc -eq 1 ] && pass "/Silent on the read-only volume ended with exit code 1" || fail "/Silent on the read-only volume ended with $rc"
grep -q "$volume/today is on a disk mounted read-only" "$work/hibernated.err" &&
    pass "the program said that the disk is mounted read-only" ||
    fail "the program did not say that the disk is mounted read-only: $(cat "$work/hibernated.err")"
unmount_volume
[ "$(volume_names today)" = "$names_before" ] && pass "the read-only volume is as it was" ||
    fail "the names on the read-only volume changed"
# What the technician's README advises when Windows cannot be started to shut down fully.
mount_volume remove_hiberfile
[ ! -e "$volume/hiberfil.sys" ] && pass "remove_hiberfile removed the hibernation file" ||
    fail "remove_hiberfile left the hibernation file"
KELVARA_OFFLINE_ROOT=$volume/today "$kelvara" /Silent >/dev/null 2>"$work/after-hibernation.err"
rc=$?
[ $rc -eq 0 ] && pass "/Silent after remove_hiberfile ended with exit code 0" ||
    fail "/Silent after remove_hiberfile ended with $rc: $(tail -n 3 "$work/after-hibernation.err")"
unmount_volume

echo "$failures failure(s)"
[ $failures -eq 0 ]
