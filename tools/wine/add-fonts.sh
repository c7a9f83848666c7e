#!/usr/bin/env bash
# Gives a Wine prefix Wine's own fonts (MS Sans Serif, Marlett for the caption buttons,
# Tahoma, ...). Debian's fonts-wine puts them in /usr/share/wine/fonts, where Debian's
# Wine 8 does not look (it looks in /usr/share/fonts), so without this every window falls
# back to another face and the caption buttons show letters. Wine does read the prefix's
# C:\windows\Fonts: copy the missing ones there. Idempotent; does nothing without the
# package.
#   add-fonts.sh PREFIX
set -euo pipefail
prefix=$1
source=${WINE_FONTS:-/usr/share/wine/fonts}
[ -f "$source/marlett.ttf" ] || exit 0
target=$prefix/drive_c/windows/Fonts
mkdir -p "$target"
for font in "$source"/*.ttf "$source"/*.fon; do
  [ -e "$target/${font##*/}" ] || cp "$font" "$target/"
done
