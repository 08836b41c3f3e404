#!/usr/bin/env bash
# The stand-in viewer's scripted demo (Vistrox.exe --demo) with the plug-in
# under test, twice: as the viewer is, and as a less kind viewer is, whose
# message loop does not route dialogs through IsDialogMessage and whose
# channel changes come from a tuning thread that the window thread waits for
# without taking messages. Every step must succeed in both: the adds, the
# refusal, About, and Esc closing About and hiding the editor. A plug-in that
# waited for the window thread would hang the second run (the demo's watchdog
# ends it after a minute).
#
#   viewer_demo_test.sh PLUGIN_DIR VISTROX_EXE   (PLUGIN_DIR holds ZelqEditor.dll)
set -euo pipefail
plugin=$(cd "$1" && pwd)/ZelqEditor.dll
host=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run"

work=$(mktemp -d "${TMPDIR:-/tmp}/zelq-viewer-demo-XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
run=0
for options in "" "--plain-loop --tune-from-thread"; do
  run=$((run + 1))
  dir="$work/run-$run"
  mkdir -p "$dir"
  cp "$plugin" "$host" "$dir/"
  echo "== Vistrox.exe ${options:-as it is} --demo"
  # shellcheck disable=SC2086  # the options are words
  if ! (cd "$dir" && "$wine_run" Vistrox.exe $options --demo shots >demo.log 2>&1); then
    echo "FAILED: the demo did not finish every step"
    status=1
  fi
  cat "$dir/demo.log"
  for line in "the editor says: تم أضافة القناة لقائمة القنوات (the channel was added to the list)" \
              "the editor says: القناة موجودة مسبقا في قائمة القنوات (the channel is already in the list)" \
              "the About window closed" "the editor window is hidden"; do
    grep -qF "Vistrox: $line" "$dir/demo.log" || { echo "FAILED: the log lacks \"$line\""; status=1; }
  done
done
exit "$status"
