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
mkdir -p "$fuzz_dir/logs"

failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  seed=${QM_FUZZ_SEED:-$(( (RANDOM << 15) | RANDOM ))}
  fuzz_run "$t" "$secs" "$seed" "$fuzz_dir/logs/$t.log" > "$fuzz_dir/logs/$t.out" &
  pids+=($!)
  names+=("$t")
  while [[ $(jobs -rp | wc -l) -ge $jobs ]]; do wait -n || true; done
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1
  cat "$fuzz_dir/logs/${names[$i]}.out"
done
exit $failed
