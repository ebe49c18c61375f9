#!/usr/bin/env bash
# The link launcher of a program shipped without its debug information:
#   split-debug-info.sh OBJCOPY LINK-COMMAND...
# runs the link, then moves the program's debug information into NAME.debug beside it and names
# that file in the program's .gnu_debuglink section, where Wine's debugger finds it (a stack dump
# names functions and lines through it). The symbol table stays in the program.
set -euo pipefail
objcopy=$1
shift
"$@"
out=
prev=
for a in "$@"; do
  [[ $prev == -o ]] && out=$a
  prev=$a
done
[[ -n $out ]] || { echo "split-debug-info.sh: no -o in the link command" >&2; exit 1; }
debug=${out%.*}.debug
"$objcopy" --only-keep-debug "$out" "$debug.tmp"
mv -f "$debug.tmp" "$debug"
"$objcopy" --strip-debug --add-gnu-debuglink="$debug" "$out"
