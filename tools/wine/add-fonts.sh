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
#
# Wine's MS Sans Serif, the listing pane's face, is a bitmap face of Western European
# letters, and Wine draws every other letter in it as a bar: the prefix also gets an
# outline MS Sans Serif that keeps its look and holds Greek, Cyrillic, Chinese, Japanese
# and Korean (make-pane-face.py; made once per machine, in under a minute, and kept
# in the user's cache).
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
faces=${XDG_CACHE_HOME:-$HOME/.cache}/kelvora/pane-face-$(sha1sum "$(dirname "$0")/make-pane-face.py" | cut -c1-12)
if [ ! -f "$faces/kelvora-sans-bold.ttf" ]; then
  if /usr/bin/python3 -c 'import fontTools' 2>/dev/null; then
    mkdir -p "${faces%/*}"
    made=$(mktemp -d "$faces.XXXXXX")
    /usr/bin/python3 "$(dirname "$0")/make-pane-face.py" "$made"
    mv -T "$made" "$faces" 2>/dev/null || rm -rf "$made"  # another prefix made it first
  else
    echo "add-fonts.sh: no python3-fonttools; names in other scripts show as bars in the listing" >&2
  fi
fi
for face in "$faces"/kelvora-sans*.ttf; do
  if [ -f "$face" ] && ! cmp -s "$face" "$target/${face##*/}"; then cp "$face" "$target/"; fi
done
if ! grep -qF '"MS UI Gothic"="WenQuanYi Micro Hei"' "$prefix/system.reg" 2>/dev/null; then
  WINEPREFIX=$prefix "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS UI Gothic' /d 'WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
  # Written to system.reg when the wineserver ends.
  WINEPREFIX=$prefix "$WINESERVER" -w
fi
