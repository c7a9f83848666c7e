#!/usr/bin/env bash
# Builds the package of a build tree and checks it as a user gets it:
#   1. the folder holds exactly the set-up program and Kelvora/ with the program and
#      the help files, each identical to what the build and the sources hold;
#   2. the zip holds exactly the folder, byte for byte, under the package's name;
#   3. the help page loads nothing from outside and every picture it shows is there;
#   4. under Wine (the build's prefix; the session must be running), the zip unpacked
#      on drive C and its set-up program run there install the product in c:\Kelvora.
#   check_package.sh BUILD_DIR PACKAGE_NAME HELP_SOURCE_DIR [STRIP]
# With STRIP, the package's programs must be the build's programs stripped by it.
set -euo pipefail
build=$(cd "$1" && pwd)
name=$2
help_src=$(cd "$3" && pwd)
strip_tool=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
dist=$build/dist
package=$dist/$name
zip=$dist/$name.zip

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --build "$build" --target package

# 1. The folder.
expected=$(mktemp)
actual=$(mktemp)
scratch=$(mktemp -d)
trap 'rm -rf "$expected" "$actual" "$scratch"' EXIT
{
  if [ -f "$build/KelvoraSetUp.exe" ]; then echo "KelvoraSetUp.exe"; fi
  echo "Kelvora/Kelvora.exe"
  for f in "$help_src"/*.html "$help_src"/*.css "$help_src"/*.png "$help_src"/*.jpg "$help_src"/*.gif; do
    if [ -f "$f" ]; then echo "Kelvora/help/$(basename "$f")"; fi
  done
} | sort >"$expected"
(cd "$package" && find . -type f | sed 's|^\./||' | sort) >"$actual"
diff -u "$expected" "$actual" >&2 || fail "the package folder does not hold exactly the expected files"
[ -f "$build/KelvoraSetUp.exe" ] || fail "no KelvoraSetUp.exe in the build: the package cannot install itself"

same() {
  cmp -s "$1" "$2" || fail "$2 differs from $1"
}
# A program as the package should hold it: stripped, keeping its link time stamp.
packaged() {
  if [ -z "$strip_tool" ]; then
    echo "$1"
    return
  fi
  local pe stamp
  pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  stamp=$(od -An -t u4 -j $((pe + 8)) -N 4 "$1" | tr -d ' ')
  SOURCE_DATE_EPOCH=$stamp "$strip_tool" -o "$scratch/$(basename "$1")" "$1"
  echo "$scratch/$(basename "$1")"
}
same "$(packaged "$build/Kelvora.exe")" "$package/Kelvora/Kelvora.exe"
if [ -f "$build/KelvoraSetUp.exe" ]; then
  same "$(packaged "$build/KelvoraSetUp.exe")" "$package/KelvoraSetUp.exe"
fi
while read -r f; do
  case $f in Kelvora/help/*) same "$help_src/${f#Kelvora/help/}" "$package/$f" ;; esac
done <"$expected"

# 2. The zip.
mkdir "$scratch/unzipped"
(cd "$scratch/unzipped" && cmake -E tar xf "$zip") || fail "$zip cannot be unpacked"
[ "$(ls "$scratch/unzipped")" = "$name" ] || fail "the zip does not unpack into the one folder $name"
diff -r "$package" "$scratch/unzipped/$name" >&2 || fail "the zip's content differs from $package"

# 3. The help page.
page=$package/Kelvora/help/index.html
if grep -qi '<script' "$page"; then fail "the help page has a script"; fi
if grep -Eio '(src|href)="[a-z][a-z0-9+.-]*:' "$page" | grep -q .; then
  fail "the help page refers to something outside the help folder"
fi
if grep -Eiq '@import|url\(' "$page"; then fail "the help page's style loads a resource"; fi
for picture in $(grep -Eio 'src="[^"]*"' "$page" | sed -E 's/^src="(.*)"$/\1/I'); do
  [ -f "$package/Kelvora/help/$picture" ] || fail "the help page shows $picture, which is not in the package"
done
for anchor in $(grep -Eo 'href="#[^"]*"' "$page" | sed -E 's/^href="#(.*)"$/\1/'); do
  grep -q "id=\"$anchor\"" "$page" || fail "the help page links to #$anchor, which it does not have"
done

# 4. Install under Wine: the user unpacks the zip on drive C and runs the set-up program
# in the unpacked folder.
prefix=$build/wineprefix
if [ -f "$build/KelvoraSetUp.exe" ] && [ -f "$build/wine-session/display" ]; then
  drive_c=$prefix/drive_c
  unpacked=$drive_c/kelvora-package-test
  clean() {
    rm -rf "$unpacked" "$drive_c/Kelvora"
    find "$drive_c/users" -iname Kelvora.lnk -delete 2>/dev/null || true
  }
  clean
  mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$zip")
  status=0
  (cd "$unpacked/$name" && "$here/../wine/run.sh" "$build" 'C:\kelvora-package-test\'"$name"'\KelvoraSetUp.exe') || status=$?
  [ "$status" -eq 0 ] || fail "the set-up program ended with $status"
  [ -d "$drive_c/Kelvora" ] || fail "c:\\Kelvora was not made"
  if [ -e "$unpacked/$name/Kelvora" ]; then
    fail "the product folder was not moved out of the unpacked package"
  fi
  if [ -d "$drive_c/Kelvora" ]; then
    diff -r "$package/Kelvora" "$drive_c/Kelvora" >&2 || fail "c:\\Kelvora differs from the package's Kelvora folder"
  fi
  links=$(find "$drive_c/users" -iname Kelvora.lnk | wc -l)
  [ "$links" -eq 2 ] || fail "expected the Start-menu and the desktop shortcut, found $links"
  clean
else
  echo "package_tests: no Wine session or no set-up program; the install was not tried" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "package_tests: $failures failure(s)" >&2
  exit 1
fi
echo "package_tests: $name and $name.zip are complete and install under Wine"
