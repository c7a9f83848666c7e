#!/usr/bin/env bash
# Gives a Wine prefix Wine's own fonts (MS Sans Serif, Marlett for the caption buttons,
# Tahoma, ...). Debian's fonts-wine puts them in /usr/share/wine/fonts, where Debian's
# Wine 8 does not look (it looks in /usr/share/fonts), so without this every window falls
# back to another face and the caption buttons show letters. Wine does read the prefix's
# C:\windows\Fonts: copy the missing ones there. Idempotent; does nothing without the
# package.
#
# Wine's fonts hold no Chinese, Japanese or Korean letters, and Tahoma (the tree's face)
# then draws such names as boxes. Wine links Tahoma to "MS UI Gothic" for them, a face no
# Linux system has: name the CJK face installed here (Debian's fonts-wqy-microhei) in its
# place, once per prefix.
#   add-fonts.sh PREFIX
set -euo pipefail
prefix=$1
source=${WINE_FONTS:-/usr/share/wine/fonts}
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -f "$source/marlett.ttf" ] || exit 0
target=$prefix/drive_c/windows/Fonts
mkdir -p "$target"
for font in "$source"/*.ttf "$source"/*.fon; do
  [ -e "$target/${font##*/}" ] || cp "$font" "$target/"
done
if ! grep -qF '"MS UI Gothic"="WenQuanYi Micro Hei"' "$prefix/system.reg" 2>/dev/null; then
  WINEPREFIX=$prefix "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS UI Gothic' /d 'WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
  # Written to system.reg when the wineserver ends.
  WINEPREFIX=$prefix "$WINESERVER" -w
fi
