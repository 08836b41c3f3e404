#!/usr/bin/env bash
# The plug-in on a nearly full disk, under Wine: a size-limited tmpfs holds
# the DLL and a list that its start would rewrite; the disk is filled up, and
# starts and adds that cannot be written must leave the list byte for byte as
# it was (and no temporary file behind). Needs root to mount the tmpfs; exits
# 77 (skipped) with a message where the machine does not allow it.
#
#   full_disk_test.sh BUILD_DIR    (holding ZelqEditor.dll and ListDriver.exe)
set -euo pipefail
bin=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run"

disk=$(mktemp -d "${TMPDIR:-/tmp}/zelq-full-disk-XXXXXX")
if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o size=2m,mode=0755 tmpfs "$disk" 2>/dev/null; then
  rmdir "$disk"
  echo "SKIPPED: a size-limited tmpfs cannot be mounted here (needs root and mount rights)"
  exit 77
fi
cleanup() { umount "$disk" 2>/dev/null || umount -l "$disk"; rmdir "$disk"; }
trap cleanup EXIT

cp "$bin/ZelqEditor.dll" "$disk/"
# Three hundred lines in lower case with extra spaces, which a start rewrites,
# and a last line that fills the file's last page, so that nothing more fits
# when the disk is full.
python3 - "$disk/ChannelList.ini" <<'PY'
import sys
text = b"".join(b"[  1  %04x%04x%04x ]  [Channel number %d]\n" % (i * 7 + 1, 0x4b00 + i, 0xa85c, i)
                for i in range(300))
text += b"#" * (4096 - (len(text) + 1) % 4096) + b"\n"
assert len(text) % 4096 == 0
open(sys.argv[1], "wb").write(text)
PY
cp "$disk/ChannelList.ini" "$disk.expected"
trap 'cleanup; rm -f "$disk.expected"' EXIT
folder="Z:${disk//\//\\}"

# Wine's own services start with the first program and inherit its output.
"$wine_run" cmd /c exit >/dev/null 2>&1 || true

fill_leaving() {  # fills the disk up to the given number of free bytes
  rm -f "$disk/filler"
  dd if=/dev/zero of="$disk/filler" bs=4096 2>/dev/null || true
  if [ "$1" -gt 0 ]; then
    local size
    size=$(stat -c %s "$disk/filler")
    truncate -s $((size - $1)) "$disk/filler"
  fi
}

check_unchanged() {
  if ! cmp -s "$disk/ChannelList.ini" "$disk.expected"; then
    echo "FAILED: $1 changed the list"
    exit 1
  fi
  local stray
  stray=$(ls -A "$disk" | grep -v -x -e ChannelList.ini -e ChannelList.lck -e ZelqEditor.dll -e filler || true)
  if [ -n "$stray" ]; then
    echo "FAILED: $1 left $stray behind"
    exit 1
  fi
  echo "ok: $1"
}

for free in 0 4096; do
  fill_leaving "$free"
  out=$("$wine_run" "$bin/ListDriver.exe" "$folder" start | tr -d '\r')
  echo "start with $free bytes free: $out"
  check_unchanged "a start with $free bytes free"

  out=$("$wine_run" "$bin/ListDriver.exe" "$folder" add 0x1234 130 "Al Jazeera" | tr -d '\r')
  echo "add with $free bytes free: $out"
  if [ "$out" = "added" ] && [ "$free" -gt 0 ]; then
    # There was room for the line: it is there, whole, and nothing else changed.
    printf '[ 1 A271914BA85C ] [Al Jazeera]\r\n' >>"$disk.expected"
    if ! cmp -s "$disk/ChannelList.ini" "$disk.expected"; then
      echo "FAILED: the add reported success but the list is not the old list and the new line"
      exit 1
    fi
    echo "ok: an add with $free bytes free appended its line whole"
  else
    check_unchanged "an add with $free bytes free"
  fi
done

# With room again, the start rewrites the list.
rm -f "$disk/filler"
"$wine_run" "$bin/ListDriver.exe" "$folder" start >/dev/null
if cmp -s "$disk/ChannelList.ini" "$disk.expected"; then
  echo "FAILED: with room again the start did not rewrite the list"
  exit 1
fi
echo "ok: with room again the list is rewritten"
