#!/usr/bin/env bash
# The README's pictures: the Windows program under Wine and Xvfb, photographed window by window
# (the main window before and after an analysis, Options, the Defrag Now question, About) on a
# copy of the sample installation, so the figures are the same on every run. Each picture is
# compared with the committed one in docs/pictures: a pixel counts as changed when a channel
# differs by more than the tolerance, and more than 1 % changed pixels fails the test and keeps
# the difference picture in the artifacts folder. On the way it reads the main list's column
# titles from outside and checks that each is whole in Wine's font.
#
#   pictures.sh <Kelvara.exe> <window_probe.exe> <artifacts folder>
#
# To take new pictures on purpose (after a change of the look), run it with
# KELVARA_UPDATE_PICTURES=1: the pictures taken replace the committed ones.
#
# The sample installation comes from the Linux build (build/linux/sample), which the test command
# builds first; without it the test is skipped.
set -uo pipefail

program=$1
probe_exe=$2
artifacts=$3/pictures
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
committed=$root/docs/pictures
mkdir -p "$artifacts"

# A channel may differ by this much before the pixel counts as changed (font smoothing, dithering).
tolerance=8%
# More than this share of changed pixels (per mille) fails.
limit_per_mille=10

sample=$root/build/linux/sample
if [ ! -d "$sample/Windows" ]; then
    echo "SKIP: no sample installation at $sample (build the linux preset first)"
    exit 77
fi

# shellcheck source=tests/e2e/e2e_common.sh
source "$root/tests/e2e/e2e_common.sh"
e2e_begin_env "$root" "$artifacts/env"

installation=$artifacts/installation

cleanup() {
    e2e_finish
    rm -rf "$installation"
    # A prefix of our own is over a gigabyte; the pictures and differences stay.
    [ "$own_env" -eq 1 ] && rm -rf "$artifacts/env"
}
trap cleanup EXIT

# The cues hidden until the keyboard is used, as a fresh Windows installation has it: the
# pictures show the windows as a mouse user opens them, without focus marks or underlines.
probe keyboardcues off || fail "the keyboard-cues setting could not be set"

e2e_fresh_copy "$sample" "$installation"
e2e_use_settings "$program" "$artifacts" '[Options]' RestorePoint=0 IsAskBeforeDefrag=1 IsShowLine=1 Lan=English

# The pointer parked in the screen's corner, outside every window: no highlight in a picture.
park() { xdotool mousemove 1020 764; sleep 0.6; }
click_main() {
    read -r l t _ _ <<<"$(probe rect)"
    xdotool mousemove $((l + $1)) $((t + $2)) sleep 0.2 click 1
}

# take <name> <left> <top> <width> <height>: the part of the screen a window covers, once two
# shots half a second apart agree (a window still filling in or repainting is not taken).
take() {
    local name=$1 screen=$artifacts/screen.png previous=$artifacts/previous.png
    local shot=$artifacts/$name.png changed
    rm -f "$previous"
    for _ in $(seq 1 20); do
        if ! import -window root "$screen" 2>/dev/null; then
            fail "$name: no screenshot"
            return
        fi
        convert "$screen" -crop "${4}x${5}+${2}+${3}" +repage -strip \
            -define png:exclude-chunks=date,time "$shot"
        if [ -f "$previous" ]; then
            changed=$(compare -metric AE "$shot" "$previous" null: 2>&1)
            [ "${changed%% *}" = 0 ] && break
        fi
        cp "$shot" "$previous"
        sleep 0.5
    done
    rm -f "$screen" "$previous"
    taken+=("$name")
}
take_main() { take "$1" $(probe rect); }
take_dialog() {
    local rect
    rect=$(probe dialogrect "$2")
    [ -n "$rect" ] && take "$1" $rect || fail "$1: no window \"$2\""
}
taken=()

# ---- the main window, before and after an analysis --------------------------------------------
KELVARA_OFFLINE_ROOT="Z:$(echo "$installation" | tr '/' '\\')" wine "$program" &
if ! probe wait 60 >/dev/null; then
    fail "the main window did not appear"
    exit 1
fi
sleep 2
park
take_main main-window

# Every column title whole in Wine's font: a header draws its title between margins of six
# pixels on each side and puts an ellipsis in when the rest is too narrow.
columns=0
while read -r width text title; do
    columns=$((columns + 1))
    if [ "$width" -ge $((text + 12)) ]; then
        pass "column \"$title\" whole: $width pixels for a title of $text"
    else
        fail "column \"$title\" cut off: $width pixels for a title of $text"
    fi
done < <(probe columns)
[ "$columns" = 4 ] || fail "$columns column titles read, expected 4"

hives=$(cd "$installation" && find . -type f \( -path './Windows/System32/config/*' -o -name NTUSER.DAT \
    -o -name UsrClass.dat \) | wc -l)
click_main 50 105   # Analyze Registry
for _ in $(seq 1 120); do
    copies=$(find "$installation" -name '*.kvf' | wc -l)
    [ "$copies" = "$hives" ] && ! probe dialog "Defrag Registry" 0.1 >/dev/null && break
    sleep 0.5
done
[ "$copies" = "$hives" ] || fail "the analysis wrote $copies of $hives copies"
sleep 1
park
take_main main-window-analysed

# ---- the dialogs ------------------------------------------------------------------------------
click_main 35 163   # Options
if probe dialog "Options" 20 >/dev/null; then
    park
    take_dialog options "Options"
    probe press "Options" "&Cancel" >/dev/null || fail "no Cancel button in Options"
else
    fail "Options did not open"
fi
sleep 1

click_main 50 134   # Defrag Registry, with the question switched on
if probe dialog "Defrag Now" 20 >/dev/null; then
    park
    take_dialog defrag-now "Defrag Now"
    probe press "Defrag Now" "&No" >/dev/null || fail "no No button in Defrag Now"
else
    fail "Defrag Now did not open"
fi
sleep 1

click_main 25 263   # Help: the help menu at the pointer, then its About item by its access key
if probe menu 10 >/dev/null; then
    xdotool key a
    if probe dialog "About Varnel Kelvara" 20 >/dev/null; then
        park
        take_dialog about "About Varnel Kelvara"
        probe press "About Varnel Kelvara" "&OK" >/dev/null || fail "no OK button in About"
    else
        fail "About did not open"
    fi
else
    fail "the help menu did not show"
fi
sleep 1

# ---- against the committed pictures -----------------------------------------------------------
mkdir -p "$committed"
for name in "${taken[@]}"; do
    shot=$artifacts/$name.png
    reference=$committed/$name.png
    if [ "${KELVARA_UPDATE_PICTURES:-0}" = 1 ]; then
        cp "$shot" "$reference" && pass "$name: docs/pictures/$name.png updated"
        continue
    fi
    if [ ! -f "$reference" ]; then
        fail "$name: no committed picture (KELVARA_UPDATE_PICTURES=1 takes it)"
        continue
    fi
    size=$(identify -format '%wx%h' "$shot")
    if [ "$size" != "$(identify -format '%wx%h' "$reference")" ]; then
        fail "$name: $size, the committed picture is $(identify -format '%wx%h' "$reference")"
        continue
    fi
    total=$(( ${size%x*} * ${size#*x} ))
    changed=$(compare -metric AE -fuzz "$tolerance" "$shot" "$reference" "$artifacts/$name-difference.png" 2>&1 >/dev/null)
    changed=${changed%% *}
    if ! [[ "$changed" =~ ^[0-9]+$ ]]; then
        fail "$name: compare gave '$changed'"
    elif [ $((changed * 1000)) -gt $((total * limit_per_mille)) ]; then
        fail "$name: $changed of $total pixels changed; the difference is in $artifacts/$name-difference.png"
    else
        pass "$name: $changed of $total pixels changed"
        rm -f "$artifacts/$name-difference.png"
    fi
done
[ "${#taken[@]}" -ge 4 ] || fail "only ${#taken[@]} pictures taken"

echo "$failures failure(s)"
[ $failures -eq 0 ]
