#!/usr/bin/env bash
# "/Scan <file>" as a process of the Windows program under Wine: with a hivelist this script
# publishes (hives Wine really has, files the script makes), the program analyses without a
# window, writes the section "Scan Result" into the named file, leaves its other sections alone,
# deletes its compacted copies and ends by itself with exit code 0. A result file that cannot be
# written is named in a message box as the command line gave it, and the run ends with exit code
# 1; "/?" shows the help in a message box and ends with 0.
#
#   scan.sh <Kelvara.exe> <artifacts folder> <window_probe.exe>
#
# Uses DISPLAY and WINEPREFIX when they are set (tools/run-tests.sh, or wine_env_start by hand);
# otherwise starts its own Xvfb and prefix with tools/wine-env.sh.
set -uo pipefail

program=$1
artifacts=$2
probe_exe=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$artifacts"

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/e2e-scan-env"

hivelist='HKLM\SYSTEM\CurrentControlSet\Control\hivelist'
folder="$WINEPREFIX/drive_c/kelvara-scan"
result_unix="$folder/result folder/scan result.ini"
result_windows='C:\kelvara-scan\result folder\scan result.ini'

# Hives Wine holds (so its registry can save them), each with a file of a chosen size. The
# SOFTWARE file stays under four times what Wine writes for it (about 170 KB), or the analysis
# would rightly refuse the copy as too small.
declare -A sizes=([SYSTEM]=6000000 [SOFTWARE]=400000 [DEFAULT]=300000)
declare -A published=(
    ['\REGISTRY\MACHINE\SYSTEM']='\Device\HarddiskVolume1\kelvara-scan\SYSTEM'
    ['\REGISTRY\MACHINE\SOFTWARE']='\Device\HarddiskVolume1\kelvara-scan\SOFTWARE'
    ['\REGISTRY\USER\.DEFAULT']='\Device\HarddiskVolume1\kelvara-scan\DEFAULT'
)

cleanup() {
    for name in "${!published[@]}"; do
        wine reg delete "$hivelist" /v "$name" /f >/dev/null 2>&1
    done
    cp "$result_unix" "$artifacts/scan-result.ini" 2>/dev/null
    rm -rf "$folder"
    e2e_end_env
}
trap cleanup EXIT

# FormatSizeKB's digit grouping: threes from the right, separated by ",".
group_kb() { echo "$1" | rev | sed 's/[0-9]\{3\}/&,/g; s/,$//' | rev; }

ini_value() {   # ini_value <file> <section> <key>: the value, CR dropped
    tr -d '\r' <"$1" | awk -v s="[$2]" -v k="$3" '
        /^\[/ { inside = ($0 == s); next }
        inside { i = index($0, "="); if (i > 0 && substr($0, 1, i - 1) == k) { print substr($0, i + 1); exit } }'
}

# ---- publish the hives, and a result file with an old result and a section of its own ------
mkdir -p "$folder/result folder"
total=0
for file in "${!sizes[@]}"; do
    head -c "${sizes[$file]}" /dev/urandom >"$folder/$file"
    total=$((total + sizes[$file]))
done
for name in "${!published[@]}"; do
    wine reg add "$hivelist" /v "$name" /t REG_SZ /d "${published[$name]}" /f >/dev/null 2>&1 ||
        fail "could not publish $name"
done
printf '[Mine]\r\nKeep=this\r\n[Scan Result]\r\nCurrent Size=1 KB\r\nStale=yes\r\n' >"$result_unix"

# ---- the run -----------------------------------------------------------------------------------
start=$(date +%s)
timeout 120 wine "$program" /Scan "$result_windows"
rc=$?
elapsed=$(( $(date +%s) - start ))
[ $rc -eq 0 ] && pass "the program ended by itself with exit code 0 (${elapsed} s)" ||
    fail "exit code $rc after ${elapsed} s"

# ---- the result file -----------------------------------------------------------------------------
if [ ! -f "$result_unix" ]; then
    fail "no result file"
    exit 1
fi
expected_current="$(group_kb $(( (total + 1023) / 1024 ))) KB"
current=$(ini_value "$result_unix" "Scan Result" "Current Size")
new=$(ini_value "$result_unix" "Scan Result" "New Size")
reduction=$(ini_value "$result_unix" "Scan Result" "Size Reduction")
percent=$(ini_value "$result_unix" "Scan Result" "Compact Percent")
when=$(ini_value "$result_unix" "Scan Result" "Time")
[ "$current" = "$expected_current" ] && pass "Current Size $current" ||
    fail "Current Size: expected '$expected_current', got '$current'"
[[ "$new" =~ ^[0-9]{1,3}(,[0-9]{3})*\ KB$ ]] && pass "New Size $new" || fail "New Size: '$new'"
[[ "$reduction" =~ ^[0-9]{1,3}(,[0-9]{3})*\ KB$ ]] && pass "Size Reduction $reduction" ||
    fail "Size Reduction: '$reduction'"
# Wine writes its own text format, which may well be larger than the files made here; then the
# totals say so: no reduction and "0%". Otherwise Current = New + Reduction, each in kilobytes
# rounded up (within one kilobyte), and a percentage with one decimal.
num() { echo "$1" | tr -d ', KB'; }
if [ -n "$new" ] && [ -n "$reduction" ] && [ -n "$current" ]; then
    if [ "$(num "$new")" -gt "$(num "$current")" ]; then
        [ "$reduction" = "0 KB" ] && [ "$percent" = "0%" ] && pass "copies larger in sum: 0 KB and 0%" ||
            fail "copies larger in sum, yet Reduction '$reduction' and Compact Percent '$percent'"
    else
        diff=$(( $(num "$current") - $(num "$new") - $(num "$reduction") ))
        [ $diff -ge -1 ] && [ $diff -le 1 ] && pass "Current = New + Reduction" ||
            fail "Current $current, New $new, Reduction $reduction do not add up"
        [[ "$percent" =~ ^[0-9]+[.,][0-9]%$ ]] && pass "Compact Percent $percent" ||
            fail "Compact Percent: '$percent'"
    fi
fi
[ -n "$when" ] && pass "Time $when" || fail "no Time"

keys=$(tr -d '\r' <"$result_unix" | awk '/^\[/ { inside = ($0 == "[Scan Result]"); next } inside && /=/ { sub(/=.*/, ""); print }' | paste -sd '|')
[ "$keys" = "Current Size|New Size|Size Reduction|Compact Percent|Time" ] &&
    pass "the five keys in order, the stale one gone" || fail "keys of Scan Result: $keys"
[ "$(ini_value "$result_unix" Mine Keep)" = this ] && pass "other sections kept" || fail "section [Mine] lost"
[ "$(grep -c '^\[Scan Result\]' "$result_unix")" = 1 ] || fail "more than one Scan Result section"

# ---- the copies are gone with the program ------------------------------------------------------
left=$(find "$folder" -name '*.kvf' | wc -l)
[ "$left" = 0 ] && pass "no compacted copy left behind" || fail "$left compacted copies left behind"

# ---- without a path: analyses, writes nothing, ends ---------------------------------------------
before=$(md5sum "$result_unix" | cut -d' ' -f1)
timeout 120 wine "$program" /scan
rc=$?
[ $rc -eq 0 ] && pass "/scan without a path ended with exit code 0" || fail "/scan without a path: exit code $rc"
[ "$(md5sum "$result_unix" | cut -d' ' -f1)" = "$before" ] || fail "the result file changed"

# ---- a result file that cannot be written: named as given, exit code 1 --------------------------
# A name without a full path lies in the Windows folder, where this folder does not exist.
unwritable='no such folder\scan result.ini'
timeout 120 wine "$program" /Scan "$unwritable" &
run=$!
# The probe looks for dialogs of a running main window, so it waits for that window first.
if probe wait 60 >/dev/null && probe dialog "Varnel Kelvara" 90 >/dev/null; then
    said=$(probe text "Varnel Kelvara" | grep -v "^$")
    [ "$said" = "Unable to write to $unwritable." ] && pass "the message names the file as given: $said" ||
        fail "message: '$said'"
    probe press "Varnel Kelvara" OK >/dev/null || fail "no OK button on the message"
else
    fail "no message about the result file"
fi
wait $run
rc=$?
[ $rc -eq 1 ] && pass "a result not written ends with exit code 1" || fail "result not written: exit code $rc"

# ---- "/?": the help in a message box, no main window, exit code 0 ------------------------------------
timeout 60 wine "$program" '/?' &
run=$!
box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Varnel Kelvara$' 2>/dev/null | head -1)
if [ -n "$box" ]; then
    pass "/? shows a window titled Varnel Kelvara"
    [ "$(probe count)" = 0 ] && pass "no main window behind it" || fail "/? started the main window"
    import -window root "$artifacts/e2e-scan-help.png" 2>/dev/null
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key --window "$box" Return
else
    fail "/? showed no window"
fi
wait $run
rc=$?
[ $rc -eq 0 ] && pass "/? ends with exit code 0" || fail "/?: exit code $rc"

# ---- an installation folder that does not exist: a message, no window, exit code 1 -----------------
KELVARA_OFFLINE_ROOT='C:\no-such-installation' timeout 60 wine "$program" /Scan "$result_windows" &
run=$!
box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Varnel Kelvara$' 2>/dev/null | head -1)
if [ -n "$box" ]; then
    pass "a missing installation folder is reported in a message box"
    [ "$(probe count)" = 0 ] && pass "no main window for a missing installation" ||
        fail "the main window started without an installation"
    import -window root "$artifacts/e2e-scan-no-installation.png" 2>/dev/null
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key --window "$box" Return
else
    fail "no message for a missing installation folder"
fi
wait $run
rc=$?
[ $rc -eq 1 ] && pass "a missing installation ends /Scan with exit code 1" || fail "missing installation: exit code $rc"

echo "$failures failure(s)"
[ $failures -eq 0 ]
