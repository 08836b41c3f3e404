#!/usr/bin/env bash
# The editor on a screen of 144 pixels per inch (Windows' "150 %"), under
# Wine: a prefix of its own beside the Arabic one, named after it with
# "-144dpi", whose registry gives that DPI. A DPI is a prefix's setting, and
# changing it in the shared prefix would change every other test's layout.
#
#   high_dpi_test.sh BUILD_DIR    (holding DpiTests.exe and ZelqEditor.dll)
set -euo pipefail
bin=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run"

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/zelq-wine}-144dpi"
# 0x90 is 144. Wine reads the user's setting, and the machine's where the
# user has none.
if ! grep -qs '"LogPixels"=dword:00000090' "$WINEPREFIX/user.reg"; then
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
  "$wine_run" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
  wineserver -w
fi
exec "$wine_run" "$bin/DpiTests.exe"
