#!/usr/bin/env bash
# Gives a Wine prefix Wine's own fonts (Marlett for the caption buttons, Tahoma, ...).
# Debian's fonts-wine puts them in /usr/share/wine/fonts, where Debian's Wine 8 does not
# look (it looks in /usr/share/fonts), so without this every window falls back to another
# face and the caption buttons show letters. Wine does read the prefix's C:\windows\Fonts:
# copy the missing ones there. Idempotent; does nothing without the package.
#
# Wine's fonts hold no Chinese, Japanese or Korean letters, and Tahoma (the tree's face)
# then draws such names as boxes. Wine links Tahoma to "MS UI Gothic" for them, a face no
# Linux system has: name the CJK face installed here (Debian's fonts-wqy-microhei) in its
# place, once per prefix.
#
# MS Sans Serif (the face of the listing's text and of the dialogs) is, among Wine's fonts,
# a set of bitmap fonts, one per code page, each with the letters of its own code page
# only: a letter the chosen one lacks is drawn as a bar, and a bitmap face never falls back
# on another one. The listing pane (Wine's Rich Edit) does not fall back on other faces at
# all, so its face itself must hold every letter. Those bitmap files are left out (and
# taken out of a prefix this script filled before, where they are Wine's own copies), and
# Wine is told to draw MS Sans Serif with WenQuanYi Micro Hei, an outline face with Latin,
# Greek, Cyrillic, Chinese, Japanese and Korean letters, or, without it, with Tahoma.
# Both keep the dialogs' size: at 8 points either gives dialog units of 6 x 13 pixels, as
# MS Sans Serif does. Wine replaces only a face it does not have, hence both steps.
#   add-fonts.sh PREFIX
set -euo pipefail
prefix=$(cd "$1" && pwd)
source=${WINE_FONTS:-/usr/share/wine/fonts}
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[ -f "$source/marlett.ttf" ] || exit 0
target=$prefix/drive_c/windows/Fonts
mkdir -p "$target"
for font in "$source"/*.ttf "$source"/*.fon; do
  name=${font##*/}
  case $name in
    sserif*.fon | ssee*.fon | ssef*.fon | ms_sans_serif.ttf)
      if cmp -s "$font" "$target/$name"; then rm -f "$target/$name"; fi
      ;;
    *)
      [ -e "$target/$name" ] || cp "$font" "$target/"
      ;;
  esac
done
registry() {
  WINEPREFIX=$prefix "$WINE" reg add "$1" /v "$2" /d "$3" "${@:4}" /f </dev/null >/dev/null 2>&1
  changed=1
}
changed=0
grep -qF '"MS UI Gothic"="WenQuanYi Micro Hei"' "$prefix/system.reg" 2>/dev/null ||
  registry 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' 'MS UI Gothic' 'WenQuanYi Micro Hei'
grep -qF '"MS Sans Serif"=str(7):"WenQuanYi Micro Hei\0Tahoma\0"' "$prefix/user.reg" 2>/dev/null ||
  registry 'HKCU\Software\Wine\Fonts\Replacements' 'MS Sans Serif' 'WenQuanYi Micro Hei\0Tahoma' /t REG_MULTI_SZ
# Written to system.reg and user.reg when the wineserver ends.
if [ "$changed" = 1 ]; then WINEPREFIX=$prefix "$WINESERVER" -w; fi
