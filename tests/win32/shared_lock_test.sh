#!/usr/bin/env bash
# zelq-list built for Linux and the plug-in in a viewer under Wine, on one
# list: each waits for the other's lock. The Linux program locks byte 0 of
# ChannelList.lck with an open file description lock; Wine turns the
# plug-in's LockFileEx into a record lock on the same byte, whether its
# handle may write the lock file or only read it.
#
#   shared_lock_test.sh WIN32_TEST_DIR WIN32_FAULTS_EXE NATIVE_BUILD_DIR
#
# WIN32_TEST_DIR holds ZelqEditor.dll and ListDriver.exe; NATIVE_BUILD_DIR
# holds the Linux zelq-list and zelq-list-faults. Exits 77 (skipped) when
# the Linux build is not there.
set -euo pipefail
bin=$(cd "$1" && pwd)
faults_exe=$2
native=${3:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run"
if [ -z "$native" ] || [ ! -x "$native/zelq-list" ] || [ ! -x "$native/tests/cli/zelq-list-faults" ]; then
  echo "SKIPPED: no Linux build of zelq-list given (configure with -DZELQ_NATIVE_BUILD=DIR)"
  exit 77
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/zelq-shared-lock-XXXXXX")
keeper=
trap '[ -z "$keeper" ] || kill "$keeper" 2>/dev/null || true; wait; rm -rf "$dir"' EXIT
cp "$bin/ZelqEditor.dll" "$dir/"
printf '[ 1 69E7DE5757E7 ] [Thor channel]\r\n' >"$dir/ChannelList.ini"
list="$dir/ChannelList.ini"
folder="Z:${dir//\//\\}"
win_list="$folder\\ChannelList.ini"

# Wine's own services start with the first program and inherit its output.
"$wine_run" cmd /c exit >/dev/null 2>&1 || true

fail() { echo "FAILED: $*"; exit 1; }

# Waits until the lock holder writing to file $1 says it holds its lock.
wait_locked() {
  for _ in $(seq 100); do
    grep -q locked "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  cat "$1"
  fail "the lock holder did not take the lock"
}

# Wine shuts its server down 3 s after its last program ends, and a program
# that starts during that shutdown loses its connection or its desktop. The
# Linux steps below leave such gaps, so a Windows program idles throughout,
# holding the lock of a list of its own.
mkdir "$dir/idle"
"$wine_run" "$faults_exe" hold-lock "$folder\\idle\\ChannelList.ini" 240 >"$dir/idle.out" 2>&1 &
keeper=$!
wait_locked "$dir/idle.out"

# Starts a lock holder in the background and waits until it holds the lock.
# The last holder's output goes first: the new holder's redirection empties
# the file only once its process runs, and an old "locked" read before that
# would send the next step on before the new holder holds anything.
hold() {
  rm -f "$dir/holder.out"
  "$@" >"$dir/holder.out" 2>&1 &
  holder=$!
  wait_locked "$dir/holder.out"
}

# 1. Linux holds the lock: the viewer's add waits, gives up, writes nothing.
before=$(cat "$list")
hold "$native/tests/cli/zelq-list-faults" hold-lock "$list" 9
out=$("$wine_run" "$bin/ListDriver.exe" "$folder" add 0x1234 130 "Al Jazeera" | tr -d '\r')
[ "$out" = "nothing" ] || fail "the plug-in added ($out) while zelq-list on Linux held the lock"
[ "$(cat "$list")" = "$before" ] || fail "the list changed under the Linux lock"
echo "ok: the plug-in under Wine waits for zelq-list on Linux"
wait "$holder"
out=$("$wine_run" "$bin/ListDriver.exe" "$folder" add 0x1234 130 "Al Jazeera" | tr -d '\r')
[ "$out" = "added" ] || fail "the plug-in could not add once the lock was free ($out)"

# 2. and 3. A Windows program holds the lock, through a handle that may write
# the lock file and through one that may only read it: zelq-list on Linux
# waits, gives up and leaves the list alone.
for mode in hold-lock hold-read-lock; do
  before=$(cat "$list")
  hold "$wine_run" "$faults_exe" "$mode" "$win_list" 6
  status=0
  err=$("$native/zelq-list" --list "$list" rename 1 Renamed 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 2 ] || fail "zelq-list renamed (exit $status) while the Windows program held the lock ($mode)"
  case "$err" in *"lock"*) ;; *) fail "zelq-list said \"$err\" for a held lock ($mode)" ;; esac
  [ "$(cat "$list")" = "$before" ] || fail "the list changed under the Windows lock ($mode)"
  echo "ok: zelq-list on Linux waits for a Windows lock ($mode)"
  wait "$holder"
done
"$native/zelq-list" --list "$list" rename 1 Renamed >/dev/null || fail "zelq-list could not rename once the lock was free"
echo "ok: both sides write once the lock is free"
