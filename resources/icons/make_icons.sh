#!/usr/bin/env bash
# Draws the built-in tray images with ImageMagick and writes them as .ico files holding a
# 32x32 and a 16x16 image each. Run from anywhere; the .ico files are committed, so the
# build does not need ImageMagick.
#   mouse1/mouse2      pointer moving: footprints on a teal badge, stepping between frames
#   active1/active2    keys, clicks or scrolls: the same steps on an amber badge
#   send1..send4       sending: a white ring turning around an upward arrow on a blue badge
#   noicon             fully transparent
set -eu
cd "$(dirname "${BASH_SOURCE[0]}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
S=128 # drawing size, scaled down to 32 and 16

badge() { # colour (top), colour (bottom), output
    convert -size ${S}x${S} xc:none \
        \( -size ${S}x${S} gradient:"$1"-"$2" \) \
        \( -size ${S}x${S} xc:none -fill white -draw "roundrectangle 4,4 123,123 26,26" \) \
        -delete 0 -compose CopyOpacity -composite \
        -fill none -stroke "rgba(0,0,0,0.45)" -strokewidth 4 \
        -draw "roundrectangle 5,5 122,122 25,25" "$3"
}

# One footprint: sole and heel, tilted; x,y is the top of the sole.
foot() { # x y angle
    local x=$1 y=$2 a=$3
    echo "push graphic-context translate $x,$y rotate $a" \
        "ellipse 0,20 14,21 0,360 ellipse 0,53 11,10 0,360 pop graphic-context"
}

steps() { # output, left-foot-forward (1/0)
    local left_y right_y
    if [ "$2" = 1 ]; then left_y=10 right_y=50; else left_y=50 right_y=10; fi
    convert -size ${S}x${S} xc:none -fill white -stroke none \
        -draw "$(foot 38 $left_y -8)" -draw "$(foot 90 $right_y 8)" "$1"
}

ring() { # output, quarter turns
    # A 300-degree arc from the right-hand side, clockwise, ending at the top right with an
    # arrowhead along the direction of travel; each frame turns it a quarter further.
    convert -size ${S}x${S} xc:none -fill none -stroke white -strokewidth 12 \
        -draw "path 'M 104,64 A 40,40 0 1,1 84,29.4'" \
        -fill white -stroke none -draw "polygon 92,14 100,40 70,40" \
        -background none -rotate $((90 * $2)) -gravity center -extent ${S}x${S} "$1"
}

arrow() { # output
    convert -size ${S}x${S} xc:none -fill white -stroke none \
        -draw "polygon 64,38 86,62 72,62 72,88 56,88 56,62 42,62" "$1"
}

to_ico() { # big png, name
    convert "$1" -filter Lanczos -resize 32x32 "PNG32:$work/$2-32.png"
    convert "$1" -filter Lanczos -resize 16x16 -unsharp 0x0.6 "PNG32:$work/$2-16.png"
    convert "$work/$2-32.png" "$work/$2-16.png" "$2.ico"
}

badge "#2bb3a3" "#11675f" "$work/teal.png"
badge "#ffb547" "#d9661a" "$work/amber.png"
badge "#4f9bff" "#1d4fb8" "$work/blue.png"
steps "$work/steps1.png" 1
steps "$work/steps2.png" 0
arrow "$work/arrow.png"
for f in 1 2; do
    convert "$work/teal.png" "$work/steps$f.png" -composite "$work/mouse$f.png"
    convert "$work/amber.png" "$work/steps$f.png" -composite "$work/active$f.png"
    to_ico "$work/mouse$f.png" mouse$f
    to_ico "$work/active$f.png" active$f
done
for k in 0 1 2 3; do
    ring "$work/ring$k.png" $k
    convert "$work/blue.png" "$work/ring$k.png" -composite "$work/arrow.png" -composite \
        "$work/send$((k + 1)).png"
    to_ico "$work/send$((k + 1)).png" send$((k + 1))
done
convert -size ${S}x${S} xc:none "$work/none.png"
to_ico "$work/none.png" noicon
