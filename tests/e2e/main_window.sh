#!/usr/bin/env bash
# The Windows program under Wine, seen from outside: it lists one row per hive of the hivelist
# this script publishes, a second start by hand hands over to the first and ends at once, an
# unattended one does nothing and ends with 4, and closing it ends the program. Leaves a screenshot of the main window in the artifacts folder.
#
#   main_window.sh <Kelvara.exe> <window_probe.exe> <artifacts folder>
#
# Uses DISPLAY and WINEPREFIX when they are set (tools/run-tests.sh, or wine_env_start by hand);
# otherwise starts its own Xvfb and prefix with tools/wine-env.sh.
set -uo pipefail

program=$1
probe=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
mkdir -p "$artifacts"

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/e2e-env"
probe() { wine "$probe" "$@" 2>&1 | tr -d '\r'; }

hivelist='HKLM\SYSTEM\CurrentControlSet\Control\hivelist'
hive_dir="$WINEPREFIX/drive_c/kelvara-e2e"
declare -A published=(
    ['\REGISTRY\MACHINE\E2E_SYSTEM']='\Device\HarddiskVolume1\kelvara-e2e\SYSTEM'
    ['\REGISTRY\MACHINE\E2E_SOFTWARE']='\Device\HarddiskVolume1\kelvara-e2e\SOFTWARE'
    ['\REGISTRY\USER\E2E_S-1-5-21-1-2-3-1001']='\Device\HarddiskVolume1\kelvara-e2e\NTUSER.DAT'
)
# Published but not listed: a volatile hive without a file, and a file that does not exist.
skipped_empty='\REGISTRY\MACHINE\E2E_HARDWARE'
skipped_missing='\REGISTRY\MACHINE\E2E_MISSING'

cleanup() {
    probe close >/dev/null 2>&1
    for name in "${!published[@]}" "$skipped_empty" "$skipped_missing"; do
        wine reg delete "$hivelist" /v "$name" /f >/dev/null 2>&1
    done
    rm -rf "$hive_dir"
    e2e_end_env
}
trap cleanup EXIT

# ---- publish the hives --------------------------------------------------------------------
mkdir -p "$hive_dir"
for file in SYSTEM SOFTWARE NTUSER.DAT; do
    head -c 8192 /dev/zero > "$hive_dir/$file"
done
for name in "${!published[@]}"; do
    wine reg add "$hivelist" /v "$name" /t REG_SZ /d "${published[$name]}" /f >/dev/null 2>&1 ||
        fail "could not publish $name"
done
wine reg add "$hivelist" /v "$skipped_empty" /t REG_SZ /d "" /f >/dev/null 2>&1
wine reg add "$hivelist" /v "$skipped_missing" /t REG_SZ \
    /d '\Device\HarddiskVolume1\kelvara-e2e\NOSUCHFILE' /f >/dev/null 2>&1

# ---- first start ----------------------------------------------------------------------------
wine "$program" &
first=$!
if ! probe wait 60 >/dev/null; then
    fail "the main window did not appear"
    exit 1
fi
sleep 2   # first showing: list filled, window painted

rows=$(probe rows)
if [ "$rows" = "${#published[@]}" ]; then
    pass "one list row per published hive with a file ($rows)"
else
    fail "list rows: expected ${#published[@]}, got '$rows'"
fi

captions=$(probe captions | sort)
expected=$(printf '%s\n' "${!published[@]}" | sort)
if [ "$captions" = "$expected" ]; then
    pass "row captions are the hivelist names"
else
    fail "row captions: expected [$expected], got [$captions]"
fi

client=$(probe client)
[ "$client" = "556 392" ] && pass "client area 556 x 392" || fail "client area: '$client'"

# Screenshot of the whole screen and of the window alone.
import -window root "$artifacts/screen.png" 2>/dev/null || fail "screenshot of the screen failed"
read -r left top width height <<<"$(probe rect)"
if [ -n "${height:-}" ]; then
    convert "$artifacts/screen.png" -crop "${width}x${height}+${left}+${top}" +repage \
        "$artifacts/main-window.png" && pass "screenshot $artifacts/main-window.png"
fi

# ---- a flat button under the mouse -----------------------------------------------------------
# pixel <x> <y>: the colour at a point of the window on the screen, as "srgb(r,g,b)".
pixel() {
    local l t w h
    read -r l t w h <<<"$(probe rect)"
    import -window root "$artifacts/probe.png" 2>/dev/null
    convert "$artifacts/probe.png" -format "%[pixel:p{$((l + $1)),$((t + $2))}]" info: 2>/dev/null
}
read -r l t _ <<<"$(probe rect)"
xdotool mousemove $((l + 300)) $((t + 30))
sleep 1
resting=$(pixel 16 96)
xdotool mousemove $((l + 40)) $((t + 105))
sleep 1
lit=$(pixel 16 96)
import -window root "$artifacts/screen-hover.png" 2>/dev/null
convert "$artifacts/screen-hover.png" -crop "${width}x${height}+${left}+${top}" +repage \
    "$artifacts/main-window-hover.png" 2>/dev/null
case "$lit" in
    "srgb(192,192,192)"|"silver") pass "Analyze lights silver under the mouse" ;;
    *) fail "Analyze under the mouse: '$lit' (at rest '$resting')" ;;
esac
[ "$resting" != "$lit" ] || fail "Analyze looks the same at rest and under the mouse"
xdotool mousemove $((l + 300)) $((t + 30))
sleep 1
[ "$(pixel 16 96)" = "$resting" ] && pass "and goes back when the mouse leaves" ||
    fail "Analyze after the mouse left: '$(pixel 16 96)'"
rm -f "$artifacts/probe.png"

# ---- moving by the background -----------------------------------------------------------------
# drag <client x> <client y> <dx> <dy>: press there, move, release (the real mouse, through X).
drag() {
    local l t w h
    read -r l t w h <<<"$(probe rect)"
    xdotool mousemove $((l + $1)) $((t + $2)) mousedown 1 \
        mousemove_relative --sync -- 20 20 mousemove_relative --sync -- $(($3 - 20)) $(($4 - 20)) \
        mouseup 1
    sleep 1
}
before=$(probe rect)
drag 100 20 40 30   # on the title label
[ "$(probe rect)" = "$before" ] && pass "dragging the title does not move the window" ||
    fail "dragging the title moved the window: $before -> $(probe rect)"
read -r l0 t0 _ <<<"$before"
drag 300 30 40 30   # on the empty header
read -r l1 t1 _ <<<"$(probe rect)"
if [ "$l1" = $((l0 + 40)) ] && [ "$t1" = $((t0 + 30)) ]; then
    pass "dragging the background moves the window"
else
    fail "dragging the background: $l0,$t0 -> $l1,$t1 (expected +40,+30)"
fi

# ---- the background's context menu: the help menu --------------------------------------------
read -r l t _ <<<"$(probe rect)"
xdotool mousemove $((l + 300)) $((t + 30)) click 3
if probe menu 5 >/dev/null; then
    pass "a right click on the background opens the help menu"
    import -window root "$artifacts/main-window-help-menu.png" 2>/dev/null
else
    fail "a right click on the background opened no menu"
fi
xdotool key Escape
sleep 1

# ---- second start: unattended it does nothing and says so (4); by hand it hands over and ends --
probe minimize >/dev/null
sleep 1
[ "$(probe state | cut -d' ' -f1)" = iconic ] || fail "the first window did not minimise"
timeout 30 wine "$program" /Silent
second_rc=$?
if [ $second_rc -eq 4 ]; then
    pass "an unattended second start did nothing and ended with exit code 4"
else
    fail "unattended second start: exit code $second_rc, expected 4"
fi
sleep 1
[ "$(probe state | cut -d' ' -f1)" = iconic ] && pass "the first window was left as it was" ||
    fail "the unattended second start changed the first window: '$(probe state)'"
timeout 30 wine "$program"
second_rc=$?
if [ $second_rc -eq 0 ]; then
    pass "second start by hand ended with exit code 0"
else
    fail "second start by hand: exit code $second_rc"
fi
sleep 1
count=$(probe count)
[ "$count" = 1 ] && pass "still one main window" || fail "main windows after the second start: $count"
state=$(probe state)
[ "$state" = "normal foreground" ] && pass "first window restored and in front" ||
    fail "first window after the hand-over: '$state'"
[ "$(probe rows)" = "${#published[@]}" ] || fail "the first window's list changed"

# ---- the title-bar pictures ------------------------------------------------------------------
read -r l t _ <<<"$(probe rect)"
xdotool mousemove $((l + 500)) $((t + 20)) click 1
sleep 1
[ "$(probe state | cut -d' ' -f1)" = iconic ] && pass "the minimise button minimises" ||
    fail "after the minimise button: '$(probe state)'"
timeout 30 wine "$program" >/dev/null 2>&1   # a second start brings it back
sleep 1

# The close picture ("Minimize to system tray") ends the program, deleting the compacted copies
# of the listed hives and nothing else.
head -c 4096 /dev/zero > "$hive_dir/SYSTEM.kvf"
head -c 4096 /dev/zero > "$hive_dir/UNLISTED.kvf"
read -r l t _ <<<"$(probe rect)"
xdotool mousemove $((l + 528)) $((t + 20)) click 1
if probe gone 20 >/dev/null; then
    pass "the close picture closed the main window"
else
    fail "the close picture did not close the main window"
    probe close >/dev/null
    probe gone 20 >/dev/null
fi
wait "$first"
first_rc=$?
[ ! -e "$hive_dir/SYSTEM.kvf" ] && pass "the listed hive's copy was deleted" ||
    fail "SYSTEM.kvf is still there"
[ -e "$hive_dir/UNLISTED.kvf" ] && pass "an unlisted copy was left alone" ||
    fail "UNLISTED.kvf was deleted"
[ $first_rc -eq 0 ] && pass "first start ended with exit code 0" || fail "first start: exit code $first_rc"

echo "$failures failure(s)"
[ $failures -eq 0 ]
