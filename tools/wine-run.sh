#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the project's private prefix and
# without Wine's installer dialogs. ctest uses it as the cross-compiling emulator.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
