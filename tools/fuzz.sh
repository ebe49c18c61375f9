#!/usr/bin/env bash
# Runs every fuzz target (or the named ones) for SECONDS each, JOBS at a time, outside the test
# run; the scratch folder is build/fuzz (QM_FUZZ_DIR). A fixed QM_FUZZ_SEED repeats a run.
#   tools/fuzz.sh [SECONDS] [TARGET...]      (default 60 seconds; QM_FUZZ_JOBS, default 2)
# Exits non-zero after printing every finding (target, seed, input in base64).
set -euo pipefail
. "$(dirname "$0")/../tests/fuzz/common.sh"
secs=60
if [[ ${1:-} =~ ^[0-9]+$ ]]; then secs=$1; shift; fi
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && mapfile -t targets < <(fuzz_targets)
for t in "${targets[@]}"; do
  [[ -f $root/tests/fuzz/targets/$t.cpp ]] || { echo "fuzz: no target $t" >&2; exit 2; }
done
jobs=${QM_FUZZ_JOBS:-2}
fuzz_build

# A seed of its own per target, unless one is given.
pick_seed() { seed=${QM_FUZZ_SEED:-$(( (RANDOM << 15) | RANDOM ))}; }
run_one() { fuzz_run "$1" "$secs" "$seed" "$2"; }
fuzz_each "$jobs" "" pick_seed run_one "${targets[@]}"
