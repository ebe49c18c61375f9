#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the project's private prefix and
# without Wine's installer dialogs. ctest uses it as the cross-compiling emulator.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# A test may add overrides of its own (QM_WINE_DLLOVERRIDES, e.g. "hhctrl.ocx=n").
export WINEDLLOVERRIDES="mscoree,mshtml=${QM_WINE_DLLOVERRIDES:+;$QM_WINE_DLLOVERRIDES}"
exec wine "$@"
