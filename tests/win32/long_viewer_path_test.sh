#!/usr/bin/env bash
# A viewer whose file name is longer than the classic 260 characters: the
# plug-in recognises the viewer by its file's name alone, however deep its
# folder. The test program runs from such a folder under the viewer's name
# and under another (Wine starts a program from a Unix path of any length,
# which it names Z:\...), and its test of where the position comes from
# expects the viewer's answer in the first and the channel record's in the
# second.
#
#   long_viewer_path_test.sh TESTS_DIR   (holds VistroxPluginTests.exe, PlainHostTests.exe, ZelqEditor.dll)
set -euo pipefail
tests=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run"

work=$(mktemp -d "${TMPDIR:-/tmp}/zelq-long-path-XXXXXX")
trap 'rm -rf "$work"' EXIT
deep="$work"
for _ in 1 2 3 4 5 6; do deep="$deep/a-folder-name-of-fifty-characters-to-make-it-deeper"; done
mkdir -p "$deep"
cp "$tests/VistroxPluginTests.exe" "$tests/PlainHostTests.exe" "$tests/ZelqEditor.dll" "$deep/"

status=0
for program in VistroxPluginTests.exe PlainHostTests.exe; do
  windows_path="Z:${deep//\//\\}\\$program"
  echo "== $program as $windows_path (${#windows_path} characters)"
  if [ "${#windows_path}" -le 260 ]; then
    echo "FAILED: the path is not longer than 260 characters"
    status=1
  fi
  log="$work/$program.log"
  if ! "$wine_run" "$deep/$program" --gtest_filter='EditorWindow.ThePositionComesFromTheViewerOrElseFromTheRecord' \
      >"$log" 2>&1; then
    status=1
  fi
  cat "$log"
  grep -q '^\[  PASSED  \] 1 test' "$log" || { echo "FAILED: the test did not run and pass"; status=1; }
done
exit "$status"
