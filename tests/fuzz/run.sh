#!/usr/bin/env bash
# Fuzzes one target for longer, with a random seed, keeping its corpus between runs:
#   tests/fuzz/run.sh TARGET [SECONDS]     (default 600; QM_FUZZ_DIR moves the scratch folder)
set -euo pipefail
. "$(dirname "$0")/common.sh"
t=${1:-}
secs=${2:-600}
if [[ -z $t || ! -f $root/tests/fuzz/targets/$t.cpp ]]; then
  echo "usage: $0 TARGET [SECONDS]; targets: $(fuzz_targets | tr '\n' ' ')" >&2
  exit 2
fi
fuzz_build
mkdir -p "$fuzz_dir/logs"
fuzz_run "$t" "$secs" "$(( (RANDOM << 15) | RANDOM ))" "$fuzz_dir/logs/$t.log"
