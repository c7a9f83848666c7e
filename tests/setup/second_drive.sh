#!/usr/bin/env bash
# Maps (or unmaps) a second drive letter in a build tree's Wine prefix, standing in for
# a second volume: a small tmpfs mounted in BUILD_DIR/second-drive, so that it is on
# another Linux file system than drive C (Wine moves a folder between two drive letters
# of one file system as a plain rename). It carries a marker file, .second-drive, so
# the tests can tell the real mount from an empty folder. Mounting needs root;
# elsewhere this fails, unless KELVORA_SKIP names "second-drive" (then the test that
# installs from the second drive skips).
#   second_drive.sh map|unmap BUILD_DIR LETTER
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: $0 map|unmap BUILD_DIR LETTER" >&2; exit 2; }
build=$(cd "$2" && pwd)
dir=$build/second-drive
link=$build/wineprefix/dosdevices/$3:

unmap() {
  rm -f "$link"
  if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" || umount -l "$dir"; fi
  rm -rf "$dir"
}

case $1 in
map)
  unmap
  mkdir -p "$dir"
  if mount -t tmpfs -o size=64m tmpfs "$dir" 2>/dev/null && touch "$dir/.second-drive" &&
    ln -s "$dir" "$link"; then
    echo "drive $3: of the Wine prefix is a tmpfs in $dir"
  else
    unmap
    case ",${KELVORA_SKIP:-}," in
    *,second-drive,*)
      echo "second_drive.sh: cannot mount tmpfs here (needs root): the install from" \
        "another drive is skipped (KELVORA_SKIP)"
      ;;
    *)
      echo "second_drive.sh: cannot mount tmpfs here (needs root); set" \
        "KELVORA_SKIP=second-drive to skip the install from another drive" >&2
      exit 1
      ;;
    esac
  fi
  ;;
unmap)
  unmap
  ;;
*)
  echo "usage: $0 map|unmap BUILD_DIR LETTER" >&2
  exit 2
  ;;
esac
