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

# About 15 seconds each at half the rates seen on the development machine (project ~130 runs/s
# with its 800 KB inputs, gif ~180, tiff ~250, eps ~650, pnm ~800, jpeg ~900, dcx ~2,300, import
# ~13,000, bmp_platform ~250, htmlgen ~1,500, the other text and codec targets 3,000 to 60,000),
# so that the stage, two targets at a time, fits in three minutes on a two-core machine.
runs_of() {
  case $1 in
    project) echo 1000 ;;
    gif) echo 1250 ;;
    tiff|bmp_platform) echo 2000 ;;
    htmlgen) echo 15000 ;;
    eps) echo 5000 ;;
    jpeg|png|pnm) echo 6000 ;;
    dcx) echo 15000 ;;
    *) echo 50000 ;;
  esac
}
# No target may take much longer than planned on a slow machine: past its share of the stage's
# budget (QM_FUZZ_BUDGET seconds for the runs, two at a time) it stops where it is, and still
# fails on a finding.
budget=${QM_FUZZ_BUDGET:-160}
cap=${QM_FUZZ_CAP:-$(( 2 * budget / ${#targets[@]} ))}
[[ $cap -ge 5 ]] || cap=5

started=$SECONDS
fuzz_build
echo "fuzz: ${#targets[@]} targets, seed $seed, at most $cap s each"
# Each target's run count, announced as it starts; -runs=0 replays the inputs alone.
announce() {
  runs=$(( $(runs_of "$1") * scale ))
  echo "fuzz: $1 budget $runs runs, at most $cap s"
}
run_one() { QM_FUZZ_RUNS=$runs fuzz_run "$1" "$cap" "$seed" "$2"; }
failed=0
fuzz_each 2 ci_ announce run_one "${targets[@]}" || failed=1
if [[ $failed -eq 0 ]]; then
  echo "fuzz: ${#targets[@]} targets, no finding, $(( SECONDS - started )) s"
else
  echo "fuzz: FINDINGS above, $(( SECONDS - started )) s"
fi
exit $failed
