#!/usr/bin/env bash
# The Windows program's languages under Wine, seen from outside: the string resources read back
# with LoadStringA; a program set to German beside its German file shows German column titles
# and a German About dialog; a language chosen from the menu while it runs takes over at once and
# is kept at close. Leaves screenshots of the About dialog in the artifacts folder.
#
#   languages.sh <Kelvara.exe> <window_probe.exe> <artifacts folder>
set -uo pipefail

program=$1
probe=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
mkdir -p "$artifacts"

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/e2e-env"
# The probe prints what the windows hold: ANSI text of Wine's code page (1252 here).
probe() { wine "$probe" "$@" 2>&1 | tr -d '\r' | iconv -f CP1252 -t UTF-8; }

folder="$WINEPREFIX/drive_c/kelvara-languages"
cleanup() {
    probe close >/dev/null 2>&1
    rm -rf "$folder"
    e2e_end_env
}
trap cleanup EXIT

# ---- the string table --------------------------------------------------------------------------
if out=$(probe strings "$program"); then
    pass "every string resource reads back as the table has it ($(grep -c ' ok$' <<<"$out") entries)"
else
    fail "string resources: $(grep -v ' ok$' <<<"$out")"
fi

# ---- a copy of the program with its language files -----------------------------------------------
mkdir -p "$folder/Languages"
cp "$program" "$folder/Kelvara.exe"
cp "$root/lang/DLan_German.ini" "$root/lang/DLan_English.ini" "$folder/Languages/"
exe='C:\kelvara-languages\Kelvara.exe'
options="$folder/options.ini"

# start_program: runs the copy and waits for its window.
start_program() {
    wine "$exe" &
    running=$!
    if ! probe wait 60 >/dev/null; then
        fail "the main window did not appear"
        exit 1
    fi
    sleep 2
}
# stop_program: closes it and waits until it has ended.
stop_program() {
    probe close >/dev/null
    probe gone 20 >/dev/null || fail "the main window did not close"
    wait "$running"
}
columns() { probe titles | paste -sd '|'; }
# The main window's client point x y in screen coordinates.
at() {
    local l t
    read -r l t _ <<<"$(probe rect)"
    echo $((l + $1)) $((t + $2))
}

# ---- started in German -----------------------------------------------------------------------------
printf '[Options]\r\nLan=German\r\n' > "$options"
start_program
got=$(columns)
want='Struktur|Größe jetzt|Größe neu|Ersparnis'
[ "$got" = "$want" ] && pass "German column titles from the start: $got" || fail "columns: '$got', expected '$want'"
[ "$(probe caption)" = "Varnel Kelvara" ] && pass "main window caption as the German file has it" ||
    fail "caption: '$(probe caption)'"

# The About dialog from the help menu: the Help button (the third of the Help group once Homepage
# is hidden), then the menu's last item.
read -r x y <<<"$(at 30 264)"
xdotool mousemove "$x" "$y" click 1
sleep 1
xdotool key Up Return
caption='Über Varnel Kelvara'
if wine "$probe" dialog "$caption" 20 >/dev/null 2>&1; then
    pass "the About dialog opens from the help menu with its German caption"
else
    fail "no About dialog with the German caption"
fi
read -r cl ct cw ch <<<"$(wine "$probe" dialogrect "$caption" 2>/dev/null | tr -d '\r')"
[ "${cw:-} ${ch:-}" = "360 249" ] && pass "About client area 360 x 249" || fail "About client area: '${cw:-} ${ch:-}'"
if [ -n "${ch:-}" ]; then
    import -window root "$artifacts/screen-about.png" 2>/dev/null
    convert "$artifacts/screen-about.png" -crop "${cw}x${ch}+${cl}+${ct}" +repage "$artifacts/about-german.png" &&
        pass "screenshot $artifacts/about-german.png"
    # The banner is light blue across the top and the mark's tile dark blue: the pictures are drawn.
    colour() { convert "$artifacts/about-german.png" -format "%[pixel:p{$1,$2}]" info: 2>/dev/null; }
    banner=$(colour 180 5)
    icon=$(colour 26 77)
    case "$banner" in
        srgb\(1[6-9][0-9],2[0-9][0-9],2[0-9][0-9]\)|srgb\(2[0-9][0-9],2[0-9][0-9],2[0-9][0-9]\)) pass "banner picture shown ($banner)" ;;
        *) fail "banner area: '$banner'" ;;
    esac
    case "$icon" in
        srgb\([0-9],*|srgb\([1-9][0-9],*) pass "icon picture shown ($icon)" ;;
        *) fail "icon area: '$icon'" ;;
    esac
fi
xdotool key Return   # OK closes the dialog
sleep 1
stop_program
grep -q '^Lan=German' "$options" && pass "the language stays German at close" || fail "options.ini: $(cat "$options")"

# ---- switched at run time ----------------------------------------------------------------------------
printf '[Options]\r\nLan=English\r\n' > "$options"
start_program
got=$(columns)
[ "$got" = 'Hive Name|Current Size|New Size|Reduction' ] && pass "English columns at the start" || fail "columns: '$got'"
# "Language" (the second button of the Help group once Homepage is hidden), then the ninth item.
read -r x y <<<"$(at 30 233)"
xdotool mousemove "$x" "$y" click 1
sleep 1
xdotool key Down Down Down Down Down Down Down Down Down Return
sleep 1
got=$(columns)
[ "$got" = "$want" ] && pass "choosing German from the menu switches the columns: $got" ||
    fail "columns after choosing German: '$got'"
import -window root "$artifacts/screen-german.png" 2>/dev/null
stop_program
grep -q '^Lan=German' "$options" && pass "the choice is written at close" || fail "options.ini after the switch: $(cat "$options")"

echo "$failures failure(s)"
[ $failures -eq 0 ]
