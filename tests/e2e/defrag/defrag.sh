#!/usr/bin/env bash
# "Defrag Registry" in the Windows program under Wine, driven as a person would, on a copy of the
# sample installation (KELVARA_OFFLINE_ROOT): Analyze; Defrag answered No in the confirm dialog
# (nothing changes); Defrag again answered Yes; the restore-point failure question answered Yes;
# the restart message. The "restart" of the offline platform then puts every compacted copy in
# its hive's place and keeps the old file as .bak. Then Undo from the Help menu puts every old hive
# back. Screenshots of each dialog go to the artifacts.
#
#   defrag.sh <Kelvara.exe> <window_probe.exe> <artifacts folder>
#
# The sample installation comes from the Linux build (build/linux/sample), which the test command
# builds first; without it the test is skipped.
set -uo pipefail

program=$1
probe_exe=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$artifacts"

sample=$root/build/linux/sample
checker=$root/build/linux/tools/kelvara-hive/kelvara-hive
if [ ! -d "$sample/Windows" ]; then
    echo "SKIP: no sample installation at $sample (build the linux preset first)"
    exit 77
fi

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/e2e-defrag-env"
shot() { import -window root "$artifacts/defrag-$1.png" 2>/dev/null; }

installation=$artifacts/e2e-defrag-installation
trap e2e_finish EXIT
e2e_fresh_copy "$sample" "$installation"
mapfile -t hives < <(cd "$installation" && find . -type f \( -path './Windows/System32/config/*' -o -name NTUSER.DAT \
    -o -name UsrClass.dat \) | sed 's|^\./||' | sort)
declare -A before
for hive in "${hives[@]}"; do before[$hive]=$(md5sum <"$installation/$hive" | cut -d' ' -f1); done
mapfile -t logs < <(cd "$installation" && find . -type f -iname '*.LOG*' | sed 's|^\./||' | sort)
declare -A before_log
for log in "${logs[@]}"; do before_log[$log]=$(md5sum <"$installation/$log" | cut -d' ' -f1); done

# Ask before defragmenting and make a restore point, whatever the settings were.
e2e_use_settings "$program" "$artifacts" '[Options]' RestorePoint=1 IsAskBeforeDefrag=1 IsShowLine=1 Lan=English

unchanged() {
    for hive in "${hives[@]}"; do
        [ "$(md5sum <"$installation/$hive" | cut -d' ' -f1)" = "${before[$hive]}" ] || return 1
        [ ! -e "$installation/$hive.bak" ] || return 1
    done
}

# click_main <x> <y>: a click at a point of the main window's client area (it has no frame).
click_main() {
    read -r l t _ _ <<<"$(probe rect)"
    xdotool mousemove $((l + $1)) $((t + $2)) sleep 0.2 click 1
}

# ---- start on the copy, analyse ----------------------------------------------------------------
KELVARA_OFFLINE_ROOT="Z:$(echo "$installation" | tr '/' '\\')" wine "$program" &
if ! probe wait 60 >/dev/null; then
    fail "the main window did not appear"
    exit 1
fi
sleep 2
click_main 50 105   # Analyze Registry
# The progress window may come and go faster than it can be seen from outside: the run is over
# when every copy is there and no progress window is.
for _ in $(seq 1 120); do
    copies=$(find "$installation" -name '*.kvf' | wc -l)
    [ "$copies" = "${#hives[@]}" ] && ! probe dialog "Defrag Registry" 0.1 >/dev/null && break
    sleep 0.5
done
[ "$copies" = "${#hives[@]}" ] && pass "the analysis wrote a compacted copy of each of the ${#hives[@]} hives" ||
    fail "compacted copies: $copies of ${#hives[@]}"
shot analysed

# ---- Defrag, answered No -------------------------------------------------------------------------
click_main 50 134   # Defrag Registry
if probe dialog "Defrag Now" 20 >/dev/null; then
    pass "Defrag Registry asks first"
    shot confirm
    probe press "Defrag Now" "&No" >/dev/null || fail "no No button"
    sleep 2
    probe dialog "Defrag Now" 0.1 >/dev/null && fail "the confirm dialog stayed after No"
    probe dialog "Create System Point" 0.1 >/dev/null && fail "No went on to the restore point"
    unchanged && pass "No changed no hive" || fail "a hive changed after No"
else
    fail "no confirm dialog"
fi

# ---- Defrag, answered Yes; the restore point fails offline; Yes; the restart message ------------
click_main 50 134
probe dialog "Defrag Now" 20 >/dev/null || fail "no confirm dialog the second time"
probe press "Defrag Now" "&Yes" >/dev/null || fail "no Yes button"
if probe dialog "Create System Point" 20 >/dev/null; then
    pass "the restore-point window shows"
    shot restore-point
else
    fail "no restore-point window"
fi
if probe dialog "Varnel Kelvara" 30 >/dev/null &&
   probe text "Varnel Kelvara" | grep -q "Restore Point creation Failed!"; then
    pass "without System Restore the user is asked whether to go on"
    shot restore-point-failed
    # The question covers the window it came from; moved aside, both can be seen.
    probe move "Varnel Kelvara" 0 0 >/dev/null
    sleep 0.5
    shot restore-point-window
    probe press "Varnel Kelvara" "&Yes" >/dev/null || fail "no Yes button in the question"
else
    fail "no restore-point failure question"
fi
sleep 1
unchanged && pass "nothing is replaced before the restart" || fail "a hive changed before the restart"
if probe dialog "Varnel Kelvara" 30 >/dev/null &&
   probe text "Varnel Kelvara" | grep -q "You must restart your computer"; then
    pass "the restart is announced"
    shot restart-message
    probe press "Varnel Kelvara" "OK" >/dev/null || fail "no OK button in the restart message"
else
    fail "no restart message"
fi
sleep 3

# ---- after the restart -------------------------------------------------------------------------
recovered=()
for hive in "${hives[@]}"; do
    file=$installation/$hive
    if [ ! -f "$file.bak" ] || [ "$(md5sum <"$file.bak" | cut -d' ' -f1)" != "${before[$hive]}" ]; then
        fail "$hive: the old file is not kept as .bak"
        continue
    fi
    [ "$(md5sum <"$file" | cut -d' ' -f1)" != "${before[$hive]}" ] || { fail "$hive: not replaced"; continue; }
    if [ -x "$checker" ] && ! "$checker" check "$file" >/dev/null 2>&1; then
        fail "$hive: the new hive fails the check"
        continue
    fi
    # A dirty hive's logs go with it to the backup's names; the new hive is the old one as its
    # logs recover it, which hivex (it reads no logs) sees only in our recovered copy of the old.
    reference=$file.bak
    if [ -e "$file.bak.LOG1" ]; then
        reference=$artifacts/recovered-$(basename "$hive")
        if ! "$checker" recover "$file.bak" "$reference" >/dev/null 2>&1; then
            fail "$hive: the old file and its logs moved to the backup do not recover"
            continue
        fi
        recovered+=("$hive")
    fi
    if command -v hivexregedit >/dev/null &&
       ! cmp -s <(hivexregedit --export "$file" '\' 2>&1) <(hivexregedit --export "$reference" '\' 2>&1); then
        fail "$hive: hivex reads other keys or values in the new hive than in the old"
        continue
    fi
    pass "$hive replaced ($(stat -c %s "$file.bak") -> $(stat -c %s "$file") bytes), old file kept"
done
# The sample's one dirty hive: the program started at Spotify only by the write that lay in .LOG1.
if [ "${recovered[*]}" = "Users/Alex/NTUSER.DAT" ] &&
   hivexget "$installation/Users/Alex/NTUSER.DAT" 'Software\Microsoft\Windows\CurrentVersion\Run' Spotify 2>/dev/null |
   grep -q 'Spotify.exe'; then
    pass "the dirty NTUSER.DAT was recovered from its log before it was compacted"
else
    fail "dirty hives recovered: ${recovered[*]:-none}; expected Users/Alex/NTUSER.DAT with the Spotify value of its .LOG1"
fi

# ---- the way back: Help, Undo Last Defrag, Yes; the restart puts every old hive back -------------
click_main 30 262   # Help (moved up into the home page's place)
sleep 1
xdotool key u       # &Undo Last Defrag...
if probe dialog "Varnel Kelvara" 20 >/dev/null &&
   probe text "Varnel Kelvara" | grep -q "changes made since then will be lost"; then
    pass "Undo asks first and says what is lost"
    shot undo-question
    probe press "Varnel Kelvara" "&Yes" >/dev/null || fail "no Yes button in the Undo question"
else
    fail "no Undo question"
fi
if probe dialog "Varnel Kelvara" 30 >/dev/null &&
   probe text "Varnel Kelvara" | grep -q "You must restart your computer"; then
    probe press "Varnel Kelvara" "OK" >/dev/null || fail "no OK button in the restart message"
else
    fail "no restart message after Undo"
fi
sleep 3
for hive in "${hives[@]}"; do
    file=$installation/$hive
    if [ "$(md5sum <"$file" | cut -d' ' -f1)" = "${before[$hive]}" ] && [ -f "$file.undone" ] && [ ! -e "$file.bak" ]; then
        pass "$hive put back byte for byte, the compacted hive kept as .undone"
    else
        fail "$hive: not put back by Undo"
    fi
done
for log in "${logs[@]}"; do
    [ "$(md5sum <"$installation/$log" 2>/dev/null | cut -d' ' -f1)" = "${before_log[$log]}" ] &&
        pass "$log back beside its hive, byte for byte" || fail "$log: not back beside its hive after Undo"
done

probe close >/dev/null
probe gone 20 >/dev/null && pass "the program closed" || fail "the program did not close"
left=$(find "$installation" -name '*.kvf' | wc -l)
[ "$left" = 0 ] && pass "no compacted copy left behind" || fail "$left compacted copies left behind"

echo "$failures failure(s)"
[ $failures -eq 0 ]
