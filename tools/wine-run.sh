#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the project's private prefix and
# without Wine's installer dialogs. ctest uses it as the cross-compiling emulator.
# With QM_HANG_TIMEOUT (seconds; ctest sets it a little under a test's time-out) a program
# still running then has the stacks of its threads written into the output before it is ended.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# A test may add overrides of its own (QM_WINE_DLLOVERRIDES, e.g. "hhctrl.ocx=n").
export WINEDLLOVERRIDES="mscoree,mshtml=${QM_WINE_DLLOVERRIDES:+;$QM_WINE_DLLOVERRIDES}"
if [[ -n ${QM_HANG_TIMEOUT:-} ]]; then
  exec /usr/bin/python3 "$here/tools/winestacks.py" --run "$QM_HANG_TIMEOUT" -- wine "$@"
fi
exec wine "$@"
