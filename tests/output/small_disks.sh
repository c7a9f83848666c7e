#!/usr/bin/env bash
# Mounts (or unmounts) the two small file systems the save tests write to:
#   DIR/full      a 64 KiB tmpfs, which a long listing fills part-way
#   DIR/readonly  a tmpfs mounted read-only, a folder nobody (root included) writes to
# Each carries a marker file, .small-disk, so the tests can tell a real mount from an
# empty folder. Mounting needs root; elsewhere this fails, unless KELVORA_SKIP names
# "small-disks" (then those tests skip).
#   small_disks.sh mount|unmount DIR
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 mount|unmount DIR" >&2; exit 2; }
dir=$2

unmount() {
  for d in "$dir/full" "$dir/readonly"; do
    if mountpoint -q "$d" 2>/dev/null; then umount "$d" || umount -l "$d"; fi
  done
  rm -rf "$dir"
}

case $1 in
mount)
  unmount
  mkdir -p "$dir/full" "$dir/readonly"
  if mount -t tmpfs -o size=64k tmpfs "$dir/full" 2>/dev/null &&
    mount -t tmpfs -o size=16k tmpfs "$dir/readonly" 2>/dev/null &&
    touch "$dir/full/.small-disk" "$dir/readonly/.small-disk" &&
    chmod 777 "$dir/full" &&
    mount -o remount,ro "$dir/readonly"; then
    echo "small disks mounted in $dir"
  else
    unmount
    mkdir -p "$dir"
    case ",${KELVORA_SKIP:-}," in
    *,small-disks,*)
      echo "small_disks.sh: cannot mount tmpfs here (needs root): the disk-full and" \
        "read-only folder cases are skipped (KELVORA_SKIP)"
      ;;
    *)
      echo "small_disks.sh: cannot mount tmpfs here (needs root); set" \
        "KELVORA_SKIP=small-disks to skip the disk-full and read-only folder cases" >&2
      exit 1
      ;;
    esac
  fi
  ;;
unmount)
  unmount
  ;;
*)
  echo "usage: $0 mount|unmount DIR" >&2
  exit 2
  ;;
esac
exit 0
