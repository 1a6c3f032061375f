#!/usr/bin/env bash
# Regenerates every picture of the product: the ones compiled into the program
# (resources/pictures/ + resources/pictures.qrc) and the ones the pages use
# (data/). Needs ImageMagick 6 (convert), fonts-noto-cjk and fonts-dejavu-core.
# Output is byte-identical from run to run, so the results can be committed.
#
# Every picture shown on screen is drawn twice: name.png for ordinary screens and
# name@2x.png, twice as large, for screens at 200 %. The 2x one is drawn anew from the
# same design, never enlarged from the 1x file.
#
# Style: flat and soft. Deep blue #1f4e8c with white and a light sky/ice
# gradient; teal #1d7a80 marks the company form; red #d0312d only for marks.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
pic="$here/pictures"
pages="$root/data"
mkdir -p "$pic" "$pages"

# Same bytes on every run: one thread, no clock, no locale surprises.
export LC_ALL=C.UTF-8 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 SOURCE_DATE_EPOCH=0
fonts=$(convert -list font)
for f in Noto-Sans-CJK-TC Noto-Sans-CJK-TC-Bold DejaVu-Sans DejaVu-Sans-Bold DejaVu-Sans-Mono-Bold; do
    grep -q "Font: $f\$" <<<"$fonts" || { echo "missing font $f" >&2; exit 1; }
done
CJK=Noto-Sans-CJK-TC
CJKB=Noto-Sans-CJK-TC-Bold
LATIN=DejaVu-Sans
MONOB=DejaVu-Sans-Mono-Bold

NAVY='#1f4e8c'
NAVY_DARK='#163a6b'
NAVY_LIGHT='#3f7fc4'
SKY='#cfe3f7'
TEAL='#1d7a80'
TEAL_DARK='#145a5f'
TEAL_LIGHT='#cdebe8'
RED='#d0312d'
GREY='#5b6b7f'

# Strip everything time-dependent from the written files.
# shellcheck disable=SC2054  # the commas belong to the option value
OUT=(-strip -define png:exclude-chunks=date,time +set date:create +set date:modify)

# The pass being drawn: scale S (1 or 2) and the file-name suffix X ("" or "@2x"). Every
# coordinate below is the 1x design's and goes through these helpers.
S=1
X=
# A length: a radius, a stroke width, a font size.
n() { awk -v s="$S" -v v="$1" 'BEGIN { printf "%g", v * s }'; }
# A point of a path. A 1x pixel centre becomes the middle of its 2x2 block, so a one-pixel
# stroke becomes a crisp two-pixel one.
p() { awk -v s="$S" -v x="$1" -v y="$2" 'BEGIN { printf "%g,%g", x * s + (s - 1) / 2, y * s + (s - 1) / 2 }'; }
# A filled block of pixels X0..X1, Y0..Y1 (both ends included).
b() { printf '%d,%d %d,%d' $((S * $1)) $((S * $2)) $((S * $3 + S - 1)) $((S * $4 + S - 1)); }
# A canvas size and a text offset.
wh() { printf '%dx%d' $((S * $1)) $((S * $2)); }
o() { printf '%+d%+d' $((S * $1)) $((S * $2)); }

# Signed offset for -gravity Center: place something centred on (x,y) of a WxH canvas.
at() { printf '%+d%+d' $(( S * $1 - S * $3 / 2 )) $(( S * $2 - S * $4 / 2 )); }

# A button face without caption: rounded, light gradient, thin border,
# transparent outside the corners. face W H RADIUS TOP BOTTOM BORDER FILE [extra draw args]
face() {
    local w=$1 h=$2 r=$3 top=$4 bottom=$5 border=$6 file=$7
    shift 7
    # The 1x outline lies half a pixel in, soft; the 2x one covers the outermost pixel of the
    # 1x design exactly, so no light seam shows outside it.
    local half=.5
    (( S > 1 )) && half=
    convert -size "$(wh "$w" "$h")" "gradient:$top-$bottom" \
        -fill none -stroke "$border" -strokewidth "$(n 1)" \
        -draw "roundrectangle $(p "0$half" "0$half") $(p "$((w - 1))$half" "$((h - 1))$half") $(n "$r"),$(n "$r")" \
        -stroke none "$@" \
        \( -size "$(wh "$w" "$h")" xc:black -fill white \
           -draw "roundrectangle $(b 0 0 $((w - 1)) $((h - 1))) $(n "$r"),$(n "$r")" \) \
        -alpha off -compose CopyOpacity -composite \
        "${OUT[@]}" "PNG32:$file"
}

# Everything shown on screen, drawn at scale S into files named with X.
screen_pictures() {
    # ---------------------------------------------------------------- main window

    convert -size "$(wh 748 39)" "gradient:#2b62a8-$NAVY" \
        -fill '#6f9bd1' -draw "rectangle $(b 0 0 747 0)" \
        -fill "$NAVY_DARK" -draw "rectangle $(b 0 38 747 38)" \
        -gravity NorthWest -fill white \
        -font DejaVu-Sans-Bold -pointsize "$(n 15)" -annotate "$(o 18 10)" 'ORVEX' \
        -fill "$SKY" -font "$CJK" -pointsize "$(n 12)" -annotate "$(o 84 10)" '產品註冊' \
        "${OUT[@]}" "PNG24:$pic/main_bar$X.png"

    # One face design, drawn at the size of each window's buttons: a control cuts off whatever
    # lies beyond its width, so a wider face would lose its right end.
    face 97 25 12 '#ffffff' '#d3e4f6' '#3d6aa6' "$pic/face_97x25$X.png"  # main window, notice
    face 95 25 12 '#ffffff' '#d3e4f6' '#3d6aa6' "$pic/face_95x25$X.png"  # upload window
    face 73 25 12 '#ffffff' '#d3e4f6' '#3d6aa6' "$pic/face_73x25$X.png"  # leave dialog

    # ----------------------------------------------------------- member-type window

    convert -size "$(wh 268 165)" "gradient:#ffffff-#e6f0fb" \
        -fill "$NAVY" -draw "rectangle $(b 0 0 267 3)" \
        -fill '#dceaf8' -draw "circle $(p 250 215) $(p 250 120)" \
        -fill '#e6f0fb' -draw "circle $(p 60 230) $(p 60 150)" \
        -fill '#d2e3f5' -draw "rectangle $(b 0 163 267 164)" \
        "${OUT[@]}" "PNG24:$pic/member_bg$X.png"

    # Small neutral marker on the left (a chevron in a ring), caption goes at x=24.
    face 97 50 10 '#ffffff' '#d3e4f6' '#3d6aa6' "$pic/face_member_97x50$X.png" \
        -fill "$SKY" -stroke "$NAVY" -strokewidth "$(n 1.2)" -draw "circle $(p 12 25) $(p 12 18.5)" \
        -fill none -strokewidth "$(n 1.8)" \
        -draw "stroke-linecap round stroke-linejoin round polyline $(p 10.3 21.8) $(p 13.5 25) $(p 10.3 28.2)" \
        -stroke none

    # -------------------------------------------------------------- registration form

    # form_bg ACCENT ACCENT_DARK BAND_TOP BAND_BOTTOM BODY_BOTTOM CAPTION FILE
    form_bg() {
        convert -size "$(wh 800 600)" "gradient:#ffffff-$5" \
            \( -size "$(wh 800 22)" "gradient:$3-$4" \) -geometry +0+0 -composite \
            -fill "$1" -draw "rectangle $(b 0 22 799 23)" \
            -fill "$4" -draw "rectangle $(b 0 597 799 599)" \
            -gravity NorthWest -fill "$2" \
            -font "$CJKB" -pointsize "$(n 12)" -annotate "$(o 12 3)" 'ORVEX 產品註冊' \
            -gravity NorthEast -font "$CJK" -pointsize "$(n 12)" -annotate "$(o 12 3)" "$6" \
            "${OUT[@]}" "PNG24:$7"
    }
    form_bg "$NAVY" "$NAVY_DARK" '#e3eefa' '#cfe1f4' '#f2f7fd' '個人用戶資料' "$pic/form_person_bg$X.png"
    form_bg "$TEAL" "$TEAL_DARK" '#e0f3f1' '#c8e7e4' '#f0f8f7' '企業用戶資料' "$pic/form_enterprise_bg$X.png"

    face 80 25 12 '#ffffff' '#d3e4f6' '#3d6aa6' "$pic/face_person_80x25$X.png"
    face 80 25 12 '#ffffff' "$TEAL_LIGHT" '#2f8a8f' "$pic/face_enterprise_80x25$X.png"

    # Phone hints: the same two examples, one part marked red in each picture.
    # hint TIP1 TIP2 FILE MARKS...   (marks: a=area code, n=number, x=extension, m=mobile prefix, r=mobile rest)
    hint() {
        local tip1=$1 tip2=$2 file=$3
        shift 3
        local marks=" $* "
        local args=(-size "$(wh 262 112)" xc:white -fill none -stroke '#c5d7ea' -strokewidth "$(n 1)"
                    -draw "rectangle $(p 0 0) $(p 261 111)" -stroke none
                    -gravity Center -font "$CJKB" -pointsize "$(n 11)" -fill "$NAVY"
                    -annotate "$(at 20 19 262 112)" '市話' -annotate "$(at 20 69 262 112)" '手機'
                    -font "$LATIN" -pointsize "$(n 11)" -fill '#8a9bb0'
                    -annotate "$(at 76 19 262 112)" '-' -annotate "$(at 186 19 262 112)" '#'
                    -annotate "$(at 92 69 262 112)" '-')
        # key x0 x1 y0 text caption
        local box
        for box in 'a 38 70 8 02 區碼' 'n 82 178 8 23456789 電話號碼' 'x 194 236 8 123 分機' \
                   'm 38 86 58 0912 手機前四碼' 'r 98 160 58 345678 後六碼'; do
            local k x0 x1 y0 text cap
            read -r k x0 x1 y0 text cap <<<"$box"
            local cx=$(( (x0 + x1) / 2 )) y1=$(( y0 + 22 ))
            if [[ $marks == *" $k "* ]]; then
                args+=(-fill '#fff0ef' -stroke "$RED" -strokewidth "$(n 2)"
                       -draw "roundrectangle $(p "$x0" "$y0") $(p "$x1" "$y1") $(n 3),$(n 3)" -stroke none
                       -font "$MONOB" -pointsize "$(n 13)" -fill "$RED" -annotate "$(at "$cx" $((y0 + 11)) 262 112)" "$text"
                       -font "$CJKB" -pointsize "$(n 11)" -annotate "$(at "$cx" $((y1 + 10)) 262 112)" "$cap")
            else
                args+=(-fill '#f7fafd' -stroke '#9db4cf' -strokewidth "$(n 1)"
                       -draw "roundrectangle $(p "$x0.5" "$y0.5") $(p "$x1.5" "$y1.5") $(n 3),$(n 3)" -stroke none
                       -font "$MONOB" -pointsize "$(n 13)" -fill "$NAVY" -annotate "$(at "$cx" $((y0 + 11)) 262 112)" "$text"
                       -font "$CJK" -pointsize "$(n 11)" -fill "$GREY" -annotate "$(at "$cx" $((y1 + 10)) 262 112)" "$cap")
            fi
        done
        args+=(-gravity NorthWest -font "$CJK" -pointsize "$(n 11)" -fill "$GREY"
               -annotate "$(o 174 62)" "$tip1" -annotate "$(o 174 78)" "$tip2")
        convert "${args[@]}" "${OUT[@]}" "PNG24:$file"
    }
    hint '區碼要含開頭 0' '手機填前四碼' "$pic/hint_areacode$X.png" a m
    hint '只填數字，' '不必加「-」號' "$pic/hint_number$X.png" n r
    hint '沒有分機者' '可以不填' "$pic/hint_extension$X.png" x

    # Product label on the printer, the serial number framed in red.
    barcode() {
        # Fixed bar/space widths, so the pattern never changes.
        local widths=21131221123113212211321121131221312112213111232112 x=12 i=0 d
        local draw=''
        while (( i < ${#widths} )); do
            d=${widths:i:1}
            if (( i % 2 == 0 )); then draw+="rectangle $(b "$x" 24 $((x + d - 1)) 45) "; fi
            x=$(( x + d ))
            i=$(( i + 1 ))
        done
        printf '%s' "$draw"
    }
    convert -size "$(wh 256 82)" "gradient:#e1e5ea-#cdd3da" \
        -fill '#b3bbc5' -draw "roundrectangle $(b 6 5 251 78) $(n 4),$(n 4)" \
        -fill white -stroke '#b7c0cb' -strokewidth "$(n 1)" \
        -draw "roundrectangle $(p 4.5 3.5) $(p 249.5 76.5) $(n 4),$(n 4)" -stroke none \
        -fill '#1b2430' -draw "$(barcode)" \
        -gravity NorthWest \
        -font DejaVu-Sans-Bold -pointsize "$(n 11)" -fill "$NAVY" -annotate "$(o 12 7)" 'ORVEX' \
        -fill '#1b2430' -annotate "$(o 58 7)" 'Vantra K20' \
        -fill '#c3cad3' -draw "rectangle $(b 152 24 152 70)" \
        -font "$LATIN" -pointsize "$(n 8)" -fill '#333d4a' \
        -annotate "$(o 160 24)" 'Model: K20' -annotate "$(o 160 35)" 'AC 100-240V ~' \
        -annotate "$(o 160 46)" '50/60Hz 0.6A' \
        -font DejaVu-Sans-Bold -pointsize "$(n 8)" -annotate "$(o 160 60)" 'MADE IN TAIWAN' \
        -font "$MONOB" -pointsize "$(n 10)" -fill '#1b2430' -annotate "$(o 15 52)" 'S/N: EFF1234567' \
        -fill none -stroke "$RED" -strokewidth "$(n 2)" -draw "roundrectangle $(p 10 49) $(p 118 67) $(n 3),$(n 3)" \
        "${OUT[@]}" "PNG24:$pic/serial_example$X.png"

    # ------------------------------------------------------ upload result / reminder

    # Quiet top-left, where the program writes its maroon lines; decoration held to the
    # bottom-right corner, so the upload window and the smaller notice look alike.
    # result_bg W H FILE
    result_bg() {
        local w=$1 h=$2
        convert -size "$(wh "$w" "$h")" "gradient:#ffffff-#e4effa" \
            -fill "$NAVY" -draw "rectangle $(b 0 0 $((w - 1)) 4)" \
            -fill '#dbe9f8' -draw "circle $(p $((w - 25)) $((h + 43))) $(p $((w - 25)) $((h - 127)))" \
            -fill '#e4effa' -draw "circle $(p $((w - 165)) $((h + 63))) $(p $((w - 165)) $((h - 37)))" \
            -gravity SouthWest -font DejaVu-Sans-Bold -pointsize "$(n 13)" -fill '#bcd0e6' \
            -annotate "$(o 20 14)" 'ORVEX' \
            "${OUT[@]}" "PNG24:$3"
    }
    result_bg 465 377 "$pic/upload_bg$X.png"
    result_bg 454 366 "$pic/notice_bg$X.png"

    # The strip's panel is one pixel narrower than its picture: the outline stays inside it.
    convert -size "$(wh 153 25)" "gradient:#f4f9fe-#e3eef9" \
        -fill none -stroke '#c5d7ea' -strokewidth "$(n 1)" \
        -draw "roundrectangle $(p 0.5 0.5) $(p 151.5 24.5) $(n 4),$(n 4)" \
        "${OUT[@]}" "PNG24:$pic/optout_strip$X.png"

    # --------------------------------------------------------------- page pictures

    convert -size "$(wh 80 700)" "gradient:$NAVY_LIGHT-$NAVY" -rotate 90 \
        -fill 'rgba(255,255,255,0.07)' -draw "circle $(p 640 10) $(p 640 90)" \
        -draw "circle $(p 560 95) $(p 560 40)" \
        -fill 'rgba(255,255,255,0.05)' -draw "circle $(p 690 70) $(p 690 30)" \
        -gravity NorthWest -font DejaVu-Sans-Bold -pointsize "$(n 30)" -fill white -annotate "$(o 24 10)" 'ORVEX' \
        -font "$CJK" -pointsize "$(n 15)" -fill '#dbe9f8' -annotate "$(o 26 48)" '產品註冊與會員服務' \
        -gravity SouthEast -font "$LATIN" -pointsize "$(n 11)" -fill '#cfe0f3' -annotate "$(o 16 10)" 'Quillmarsh' \
        "${OUT[@]}" "PNG24:$pages/page_banner$X.png"

    # icon FILL SIZE FILE draw-args...  (round badge, white symbol)
    icon() {
        local fill=$1 s=$2 file=$3
        shift 3
        local c
        c=$(awk -v s="$s" 'BEGIN { printf "%.1f", (s - 1) / 2 }')
        convert -size "$(wh "$s" "$s")" xc:none -fill "$fill" -draw "circle $(p "$c" "$c") $(p "$c" 0.5)" \
            -fill none -stroke white "$@" "${OUT[@]}" "PNG32:$file"
    }
    icon "$NAVY" 14 "$pages/icon_bullet$X.png" -strokewidth "$(n 1.8)" \
        -draw "stroke-linecap round stroke-linejoin round polyline $(p 3.8 7) $(p 5.8 9.3) $(p 10 4.6)"
    icon "$NAVY" 40 "$pages/icon_ok$X.png" -strokewidth "$(n 4)" \
        -draw "stroke-linecap round stroke-linejoin round polyline $(p 11.5 20.5) $(p 17.5 26.5) $(p 28.5 13.5)"
    icon "$NAVY" 40 "$pages/icon_upload$X.png" -strokewidth "$(n 3.6)" \
        -draw "stroke-linecap round stroke-linejoin round polyline $(p 13 18) $(p 19.5 11.5) $(p 26 18)" \
        -draw "stroke-linecap round line $(p 19.5 12.5) $(p 19.5 25)" \
        -draw "stroke-linecap round line $(p 12 29.5) $(p 27 29.5)"
    icon "$NAVY" 40 "$pages/icon_question$X.png" -stroke none -fill white \
        -gravity Center -font DejaVu-Sans-Bold -pointsize "$(n 25)" -annotate +0+0 '?'
    icon "$RED" 40 "$pages/icon_fail$X.png" -strokewidth "$(n 4.2)" \
        -draw "stroke-linecap round line $(p 19.5 10.5) $(p 19.5 22.5)" -stroke none -fill white \
        -draw "circle $(p 19.5 29) $(p 19.5 26.6)"
}

for S in 1 2; do
    X=
    (( S == 1 )) || X="@${S}x"
    screen_pictures
done

# ---------------------------------------------------------- printed card logo

# White, solid colours only, so it prints cleanly on any printer. Printed only, never
# shown on screen: one size.
convert -size 240x78 xc:white \
    -fill "$NAVY" -draw 'roundrectangle 10,13 61,64 10,10' \
    -fill none -stroke white -strokewidth 5 -draw 'circle 35.5,36 35.5,24' \
    -stroke none -fill "$NAVY_LIGHT" -draw 'rectangle 22,52 49,55' \
    -fill '#8fc0ee' -draw 'circle 49,22 49,18.5' \
    -gravity NorthWest -font DejaVu-Sans-Bold -pointsize 34 -fill "$NAVY" -annotate +72+10 'ORVEX' \
    -font "$LATIN" -pointsize 12 -fill "$GREY" -annotate +74+50 'Quillmarsh' \
    -strip -sampling-factor 1x1 -quality 92 "$pic/card_logo.jpg"

# ------------------------------------------------------------- resource file

{
    echo '<!DOCTYPE RCC>'
    echo '<RCC version="1.0">'
    echo '    <qresource prefix="/pictures">'
    for f in "$pic"/*; do
        n=$(basename "$f")
        echo "        <file alias=\"$n\">pictures/$n</file>"
    done
    echo '    </qresource>'
    echo '</RCC>'
} > "$here/pictures.qrc"

# ------------------------------------------------------------- desktop icon
# The menu's and the notification's icon: a registration card with a check mark on a deep
# blue tile, drawn once large and scaled to each size of the hicolor theme.

icons="$here/icons"
mkdir -p "$icons"
icon_big=$(mktemp --suffix=.png)
trap 'rm -f "$icon_big"' EXIT
convert -size 512x512 xc:none \
    \( -size 448x448 gradient:'#3f7fc4-#163a6b' \
       \( -size 448x448 xc:black -fill white -draw 'roundrectangle 0,0 447,447 88,88' \) \
       -alpha off -compose CopyOpacity -composite \) -geometry +32+32 -compose Over -composite \
    -fill white -draw 'roundrectangle 128,96 384,416 24,24' \
    -fill '#cfe3f7' -draw 'rectangle 168,150 344,170' -draw 'rectangle 168,200 344,218' \
    -draw 'rectangle 168,248 300,266' \
    -fill '#1d7a80' -draw 'circle 336,352 336,272' \
    -fill none -stroke white -strokewidth 20 \
    -draw 'stroke-linecap round stroke-linejoin round polyline 300,352 326,378 374,326' \
    -strip "PNG32:$icon_big"
for s in 16 24 32 48 64 128 256; do
    convert "$icon_big" -filter Lanczos -resize "${s}x${s}" -strip \
        -define png:exclude-chunks=date,time +set date:create +set date:modify \
        "PNG32:$icons/com.quillmarsh.orvexreg-$s.png"
done
