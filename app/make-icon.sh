#!/usr/bin/env bash
# Draws Quillon.ico (16, 24, 32, 48 and 256 pixels): a connector plug on a
# rounded blue tile. Run by hand when the drawing changes; the .ico is committed.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  -fill '#1f5fa8' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#3d7fcc' -draw 'roundrectangle 8,8 247,150 40,40' \
  -fill '#f2f2f2' -draw 'polygon 52,84 204,84 184,172 72,172' \
  -fill '#1f5fa8' -draw 'circle 88,112 88,124' -draw 'circle 128,112 128,124' -draw 'circle 168,112 168,124' \
  -draw 'circle 108,146 108,158' -draw 'circle 148,146 148,158' \
  -fill '#f2f2f2' -draw 'rectangle 120,172 136,232' \
  -depth 8 "$tmp/big.png"
for s in 16 24 32 48; do convert "$tmp/big.png" -resize ${s}x${s} "$tmp/$s.png"; done
convert "$tmp/16.png" "$tmp/24.png" "$tmp/32.png" "$tmp/48.png" "$tmp/big.png" -depth 8 Quillon.ico
