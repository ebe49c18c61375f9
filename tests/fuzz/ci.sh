#!/usr/bin/env bash
# The repeatable fuzz stage for CI: every target (or the named ones) with a fixed seed and a
# fixed run count, two at a time, after replaying its seeds and regressions. A finding prints
# the target, the seed and the input in base64, and the stage fails.
#   tests/fuzz/ci.sh [TARGET...]     (QM_FUZZ_DIR moves the scratch folder; QM_FUZZ_SCALE=N
#                                     multiplies every run count, e.g. 0 for a replay only)
set -euo pipefail
. "$(dirname "$0")/common.sh"
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && mapfile -t targets < <(fuzz_targets)
seed=${QM_FUZZ_SEED:-20260101}
scale=${QM_FUZZ_SCALE:-1}

# About 60 seconds each on a CI machine: half the rates seen on the development machine
# (project ~130 runs/s with its 800 KB inputs, gif ~180, tiff ~250, eps ~650, pnm ~800, jpeg
# ~900, dcx ~2,300, import ~13,000, bmp_platform ~250, htmlgen ~1,500, the other text and
# codec targets 3,000 to 60,000). The whole stage took 6 minutes on a loaded 8-core machine.
runs_of() {
  case $1 in
    project) echo 4000 ;;
    gif) echo 5000 ;;
    tiff|bmp_platform) echo 8000 ;;
    htmlgen) echo 60000 ;;
    eps) echo 20000 ;;
    jpeg|png|pnm) echo 25000 ;;
    dcx) echo 60000 ;;
    *) echo 200000 ;;
  esac
}
# No target may take much longer than planned on a slow machine: past this the run stops where
# it is (and still fails on a finding), so the stage stays within its budget.
cap=${QM_FUZZ_CAP:-90}

fuzz_build
mkdir -p "$fuzz_dir/logs"
failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  n=$(( $(runs_of "$t") * scale ))
  # -runs=0 replays the inputs alone.
  QM_FUZZ_RUNS=$n fuzz_run "$t" "$cap" "$seed" "$fuzz_dir/logs/ci_$t.log" > "$fuzz_dir/logs/ci_$t.out" &
  pids+=($!)
  names+=("$t")
  while [[ $(jobs -rp | wc -l) -ge 2 ]]; do wait -n || true; done
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1
  cat "$fuzz_dir/logs/ci_${names[$i]}.out"
done
exit $failed
