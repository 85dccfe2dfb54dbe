#!/usr/bin/env bash
# Draws the program's pictures into assets/ with ImageMagick: the main window's background, the
# minimise button's three looks, the close picture's two looks, the program icon and the About
# dialog's banner and mark.
#
# The results are committed, so a build needs no ImageMagick and every machine embeds the same
# bytes (text rendering differs with the fonts installed). Run this again after changing a
# picture here, look at the results, and commit them together with this script.
#
#   tools/make-assets/make-assets.sh [output folder]     (default: assets/ of this repository)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/assets}
mkdir -p "$out"

# IM6 ships "convert"; IM7 prefers "magick".
if command -v magick >/dev/null 2>&1; then
    im=(magick)
else
    im=(convert)
fi

font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
font_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
for f in "$font" "$font_bold"; do
    [ -f "$f" ] || { echo "make-assets: font $f is missing (package fonts-dejavu-core)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ---------------------------------------------------------------------------------------------
# Background, 556 x 393 (one row more than the window's client area, as the picture control is).
# Light colours throughout: the window's labels are drawn in the default black text colour over
# it, and the flat buttons' near-white frames must stay visible against it.
#   header band    0..58      the title label sits at 17,12; the web link at 436,38
#   command column 5..112 x 60..345: "Main" group from 67, "Help" group from 193
#   list           119..542 x 65..301 (a windowed control covers it; the frame shows around it)
#   totals panel   114..300 x 305..385, hints panel 334..550 x 305..385
# ---------------------------------------------------------------------------------------------
W=556
H=393
"${im[@]}" -size ${W}x${H} gradient:'#F6F9FC'-'#DCE5EF' "$work/body.png"
"${im[@]}" -size ${W}x58 gradient:'#C4D8EE'-'#EEF4FB' "$work/header.png"

# A honeycomb of five cells on the right of the header: the mark of a program about hives.
cells=()
honeycomb() {   # honeycomb <centre x> <centre y> <radius> <fill> <stroke>
    local pts
    pts=$(awk -v cx="$1" -v cy="$2" -v r="$3" 'BEGIN {
        for (i = 0; i < 6; i++) {
            a = (60 * i + 30) * 3.14159265 / 180
            printf "%.1f,%.1f ", cx + r * cos(a), cy + r * sin(a)
        }
    }')
    cells+=(-fill "$4" -stroke "$5" -strokewidth 1 -draw "polygon $pts")
}
honeycomb 300 22 9 '#FFFFFF' '#7FA3C8'
honeycomb 315.6 22 9 '#E3EDF8' '#7FA3C8'
honeycomb 331.2 22 9 '#FFFFFF' '#7FA3C8'
honeycomb 307.8 35.5 9 '#3E79B5' '#2D5F94'
honeycomb 323.4 35.5 9 '#FFFFFF' '#7FA3C8'

"${im[@]}" "$work/body.png" "$work/header.png" -geometry +0+0 -composite \
    -fill '#7FA3C8' -draw 'rectangle 0,58 555,58' \
    -fill '#FFFFFF' -draw 'rectangle 0,59 555,59' \
    -fill '#FFFFFF80' -stroke '#C3D2E3' -strokewidth 1 \
        -draw 'roundrectangle 5,60 112,345 6,6' \
        -draw 'roundrectangle 114,305 300,385 6,6' \
        -draw 'roundrectangle 334,305 550,385 6,6' \
    -fill none -stroke '#A9BDD3' -draw 'rectangle 117,63 544,303' \
    -stroke none -fill '#5A6F86' -font "$font" -pointsize 10 \
        -annotate +19+46 'Registry compactor for Windows' \
    "${cells[@]}" \
    -stroke none -fill '#1F4E7D' -font "$font_bold" -pointsize 10 -annotate +344+41 'Varnel' \
    -fill '#3E79B5' -font "$font" -pointsize 10 -annotate +344+53 'Software' \
    -fill '#8FA6BE' -font "$font" -pointsize 9 -annotate +12+380 'Varnel Kelvara' \
    "$work/background.png"
"${im[@]}" "$work/background.png" -strip -sampling-factor 1x1 -quality 92 "$out/background.jpg"

# ---------------------------------------------------------------------------------------------
# The two title-bar pictures are drawn over the very part of the background they cover, so
# their corners blend in although they are opaque pictures.
# ---------------------------------------------------------------------------------------------
crop_at() {   # crop_at x y name
    "${im[@]}" "$work/background.png" -crop 24x24+"$1"+"$2" +repage "$work/$3"
}
crop_at 488 9 under-minimize.png
crop_at 517 9 under-close.png

bmp() {   # bmp <source png> <target>: 24-bit Windows bitmap, no alpha, no metadata
    "${im[@]}" "$1" -alpha off -type TrueColor -strip "BMP3:$2"
}

# minimise: normal, mouse on, mouse down (pressed: darker and the dash one pixel lower)
face() {   # face <base> <fill> <stroke> <dash colour> <dash offset> <target>
    "${im[@]}" "$work/$1" -fill "$2" -stroke "$3" -strokewidth 1 \
        -draw 'roundrectangle 1,1 22,22 4,4' \
        -stroke none -fill "$4" -draw "rectangle 7,$((14 + $5)) 16,$((16 + $5))" "$work/$6"
}
face under-minimize.png '#F4F8FC' '#8AA7C6' '#34506E' 0 min-normal.png
face under-minimize.png '#D7E6F6' '#3E79B5' '#1F4E7D' 0 min-over.png
face under-minimize.png '#B4CDE8' '#2D5F94' '#14365A' 1 min-down.png
bmp "$work/min-normal.png" "$out/minimize-normal.bmp"
bmp "$work/min-over.png" "$out/minimize-over.bmp"
bmp "$work/min-down.png" "$out/minimize-down.bmp"

# close: mouse away (quiet) and mouse over (red)
cross() {   # cross <fill> <stroke> <cross colour> <target>
    "${im[@]}" "$work/under-close.png" -fill "$1" -stroke "$2" -strokewidth 1 \
        -draw 'roundrectangle 1,1 22,22 4,4' \
        -stroke "$3" -strokewidth 2.2 -draw 'line 8,8 15,15' -draw 'line 15,8 8,15' "$work/$4"
}
cross '#F4F8FC' '#8AA7C6' '#34506E' close-away.png
cross '#D9453A' '#A52A22' '#FFFFFF' close-over.png
bmp "$work/close-away.png" "$out/close-away.bmp"
bmp "$work/close-over.png" "$out/close-over.bmp"

# ---------------------------------------------------------------------------------------------
# Program icon, 48/32/16: a blue tile with a honeycomb cell and two bars pressed together.
# ---------------------------------------------------------------------------------------------
"${im[@]}" -size 48x48 xc:none \
    -fill '#2D5F94' -draw 'roundrectangle 1,1 46,46 9,9' \
    -fill '#3E79B5' -draw 'roundrectangle 3,3 44,44 8,8' \
    -fill '#FFFFFF' -stroke '#1F4E7D' -strokewidth 1.5 \
        -draw 'polygon 24,7 38,15 38,31 24,39 10,31 10,15' \
    -stroke none -fill '#3E79B5' -draw 'rectangle 15,17 33,21' -draw 'rectangle 15,25 33,29' \
    -fill '#F3B23A' -draw 'polygon 24,40 19,44 29,44' \
    "$work/icon48.png"
"${im[@]}" "$work/icon48.png" -resize 32x32 "$work/icon32.png"
"${im[@]}" "$work/icon48.png" -resize 16x16 "$work/icon16.png"
"${im[@]}" "$work/icon16.png" "$work/icon32.png" "$work/icon48.png" "$out/kelvara.ico"

# ---------------------------------------------------------------------------------------------
# About dialog: a banner of 360 x 50 across its top, in the header colours of the main window,
# and the program's mark at 32 x 32 on the dialog's face colour (the picture is opaque).
# ---------------------------------------------------------------------------------------------
about_cells=()
cells=()
honeycomb 318 17 8 '#FFFFFF' '#7FA3C8'
honeycomb 331.9 17 8 '#E3EDF8' '#7FA3C8'
honeycomb 324.9 29 8 '#3E79B5' '#2D5F94'
honeycomb 338.8 29 8 '#FFFFFF' '#7FA3C8'
about_cells=("${cells[@]}")
"${im[@]}" -size 360x49 gradient:'#C4D8EE'-'#EEF4FB' \
    -background '#7FA3C8' -gravity north -extent 360x50 -gravity northwest \
    "${about_cells[@]}" \
    -stroke none -fill '#1F4E7D' -font "$font_bold" -pointsize 15 -annotate +14+12 'Varnel Kelvara' \
    -fill '#5A6F86' -font "$font" -pointsize 9 -annotate +15+32 'Registry compactor for Windows' \
    "$work/about-banner.png"
"${im[@]}" "$work/about-banner.png" -strip -sampling-factor 1x1 -quality 92 "$out/about-banner.jpg"
"${im[@]}" -size 32x32 xc:'#F0F0F0' "$work/icon32.png" -composite "$work/about-icon.png"
bmp "$work/about-icon.png" "$out/about-icon.bmp"

echo "make-assets: wrote background.jpg, minimize-{normal,over,down}.bmp, close-{away,over}.bmp, kelvara.ico, about-banner.jpg, about-icon.bmp into $out"
