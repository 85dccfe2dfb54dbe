#!/usr/bin/env bash
# The dialogs of the Windows program under Wine used from the keyboard alone, with keys typed
# from outside (the window probe's SendInput) as a person would. Each dialog opens with the focus
# on its first control: the options dialog (Space, Tab, Enter; Escape), the About box (Enter,
# Alt+O, Escape) and the confirm dialog (Enter on No; Shift+Tab, Space, Escape). Works on a copy
# of the sample installation; screenshots go to the artifacts.
#
#   keys.sh <Kelvara.exe> <window_probe.exe> <artifacts folder>
set -uo pipefail

program=$1
probe_exe=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$artifacts"

sample=$root/build/linux/sample
if [ ! -d "$sample/Windows" ]; then
    echo "SKIP: no sample installation at $sample (build the linux preset first)"
    exit 77
fi

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/e2e-keys-env"
# keys <caption> <key>...: typed into the window from outside. Seen under Wine in Xvfb: after keys
# sent from another process, the program handles what comes next only once some input arrives,
# so the pointer is nudged as a person's hand would; and a Wine process started before the
# program has taken the last key (the next probe) can make the key go astray, so the program is
# given a moment, as a person's eyes would.
keys() {
    probe keys "$@" >/dev/null
    xdotool mousemove_relative 1 0 sleep 0.2 mousemove_relative -- -1 0
    sleep 1.5
}
shot() { import -window root "$artifacts/keys-$1.png" 2>/dev/null; }

installation=$artifacts/e2e-keys-installation
trap e2e_finish EXIT
e2e_fresh_copy "$sample" "$installation"
e2e_use_settings "$program" "$artifacts" '[Options]' RestorePoint=0 IsAskBeforeDefrag=1 IsShowLine=1 Lan=English
setting() { tr -d '\r' <"$options" | sed -n "s/^$1 *= *//p"; }

click_main() {
    read -r l t _ _ <<<"$(probe rect)"
    xdotool mousemove $((l + $1)) $((t + $2)) sleep 0.2 click 1
}

# gone <caption>: the window has closed within a few seconds.
gone() {
    for _ in $(seq 1 20); do
        probe dialog "$1" 0.1 >/dev/null || return 0
        sleep 0.25
    done
    return 1
}

KELVARA_OFFLINE_ROOT="Z:$(echo "$installation" | tr '/' '\\')" wine "$program" &
if ! probe wait 60 >/dev/null; then
    fail "the main window did not appear"
    exit 1
fi
sleep 2

# ---- options: opens on the first box, Space unticks it, Enter is OK ------------------------------
click_main 40 163   # Options
if probe dialog "Options" 20 >/dev/null; then
    keys "Options" space
    sleep 0.5
    shot options-focused-box
    keys "Options" enter
    gone "Options" && pass "Enter ends the options dialog" || fail "the options dialog stayed after Enter"
    sleep 1
    [ "$(setting IsAskBeforeDefrag)" = 0 ] && pass "Space unticked the first box, Enter kept it" ||
        fail "IsAskBeforeDefrag is '$(setting IsAskBeforeDefrag)' after Space, Enter"
else
    fail "no options dialog"
fi

# ---- options again: Tab, Space on the second box, then Escape changes nothing --------------------
click_main 40 163
if probe dialog "Options" 20 >/dev/null; then
    keys "Options" tab space escape
    gone "Options" && pass "Escape ends the options dialog" || fail "the options dialog stayed after Escape"
    [ "$(setting IsShowLine)" = 1 ] && pass "Escape kept the grid lines on" ||
        fail "IsShowLine is '$(setting IsShowLine)' after Escape"
else
    fail "no options dialog the second time"
fi

# ---- options a third time: the question before a defragmentation back on, for the last part ------
click_main 40 163
if probe dialog "Options" 20 >/dev/null; then
    keys "Options" space enter
    gone "Options" || fail "the options dialog stayed after Enter the third time"
    sleep 1
    [ "$(setting IsAskBeforeDefrag)" = 1 ] && pass "Space and Enter ticked the first box again" ||
        fail "IsAskBeforeDefrag is '$(setting IsAskBeforeDefrag)' after ticking it again"
else
    fail "no options dialog the third time"
fi

# ---- the About box from the Help menu: Enter closes it, and Alt+O -------------------------------
for keys in enter alt+o escape; do
    click_main 30 264   # Help
    if probe menu 10 >/dev/null; then
        xdotool key Up sleep 0.3 key Return
    fi
    if probe dialog "About Varnel Kelvara" 20 >/dev/null; then
        [ "$keys" = enter ] && { sleep 0.5; shot about; }
        keys "About Varnel Kelvara" "$keys"
        gone "About Varnel Kelvara" && pass "$keys closes the About box" || fail "the About box stayed after $keys"
    else
        fail "no About box from the Help menu"
    fi
done

# ---- the confirm dialog: opens on No, so Enter is No; the box by Shift+Tab and Space, then Escape -
hives=$(cd "$installation" && find . -type f \( -path './Windows/System32/config/*' -o -name NTUSER.DAT \
    -o -name UsrClass.dat \) | wc -l)
click_main 50 105   # Analyze Registry
for _ in $(seq 1 120); do
    [ "$(find "$installation" -name '*.kvf' | wc -l)" = "$hives" ] && ! probe dialog "Defrag Registry" 0.1 >/dev/null && break
    sleep 0.5
done
sleep 1
click_main 50 134   # Defrag Registry
if probe dialog "Defrag Now" 20 >/dev/null; then
    sleep 0.5
    shot confirm
    keys "Defrag Now" enter
    gone "Defrag Now" && pass "Enter answers No" || fail "the confirm dialog stayed after Enter"
    probe dialog "Create System Point" 0.5 >/dev/null && fail "No went on to the defragmentation"
else
    fail "no confirm dialog"
fi
click_main 50 134
if probe dialog "Defrag Now" 20 >/dev/null; then
    keys "Defrag Now" shift+tab space
    sleep 0.5
    shot confirm-box-ticked
    keys "Defrag Now" escape
    gone "Defrag Now" && pass "Escape answers No" || fail "the confirm dialog stayed after Escape"
    sleep 1
    [ "$(setting IsAskBeforeDefrag)" = 0 ] && pass "Shift+Tab and Space ticked \"Don't ask me next time\"" ||
        fail "IsAskBeforeDefrag is '$(setting IsAskBeforeDefrag)' after ticking the box"
else
    fail "no confirm dialog the second time"
fi

probe close >/dev/null
probe gone 20 >/dev/null && pass "the program closed" || fail "the program did not close"
echo "$failures failure(s)"
[ $failures -eq 0 ]
