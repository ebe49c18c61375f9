# Shared by tests/fuzz/run.sh, tests/fuzz/ci.sh and tools/fuzz.sh: builds the libFuzzer programs
# with clang into their own folder (never the test build), makes the seed corpora there and runs
# targets side by side.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fuzz_dir=${QM_FUZZ_DIR:-$root/build/fuzz}

fuzz_targets() {
  local f
  for f in "$root"/tests/fuzz/targets/*.cpp; do basename "$f" .cpp; done
}

# Pictures and project files (a project file is 798,812 bytes before its lines) get the larger inputs.
fuzz_max_len() {
  case $1 in
    bmc_*|bmp_*|gif|jpeg|png|tiff|pnm|dcx|eps|project) echo 1048576 ;;
    *) echo 262144 ;;
  esac
}

fuzz_build() {
  command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2; return 1; }
  if [[ ! -f $fuzz_dir/build/build.ninja ]]; then
    cmake -S "$root/tests/fuzz" -B "$fuzz_dir/build" -G Ninja \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE= >/dev/null
  fi
  cmake --build "$fuzz_dir/build" -j "$(nproc)" >&2
  test_images >/dev/null
  rm -rf "$fuzz_dir/seeds"
  ASAN_OPTIONS=detect_leaks=0 "$fuzz_dir/build/bin/make_seeds" "$fuzz_dir/seeds" >/dev/null
}

# The folder of the libraries' test images (see tools/setup.sh), asked of the set-up when the
# caller did not pass it on.
test_images() {
  if [[ -z ${QM_TEST_IMAGES:-} ]]; then
    QM_TEST_IMAGES=$(bash "$root/tools/setup.sh" 2>/dev/null | sed -n 's/^QM_TEST_IMAGES=//p')
    export QM_TEST_IMAGES
  fi
  echo "$QM_TEST_IMAGES"
}

# The folders a target starts from: its kept corpus, its seeds, its committed regressions and,
# for the jpeg, png and tiff readers, the libraries' test images.
fuzz_inputs() {
  local t=$1
  mkdir -p "$fuzz_dir/corpus/$t"
  echo "$fuzz_dir/corpus/$t" "$fuzz_dir/seeds/$t"
  [[ -d $root/tests/fuzz/regressions/$t ]] && echo "$root/tests/fuzz/regressions/$t"
  # The picture libraries' own test images, for the readers built on them.
  case $t in
    jpeg|png|tiff) [[ -d $(test_images)/$t ]] && echo "$(test_images)/$t" ;;
  esac
  return 0
}

# Runs one target: fuzz_run TARGET SECONDS SEED LOG; prints what it found and fails on a finding.
# QM_FUZZ_RUNS=N runs a fixed number of inputs instead (with a fixed seed, a repeatable run);
# SECONDS, when not 0, then only caps the time on a machine far slower than the counts assume.
fuzz_run() {
  local t=$1 secs=$2 seed=$3 log=$4 rc=0 art budget
  art=$fuzz_dir/findings/$t/
  mkdir -p "$art"
  budget=-max_total_time=$secs
  if [[ -n ${QM_FUZZ_RUNS:-} ]]; then
    budget=-runs=$QM_FUZZ_RUNS
    [[ $secs -gt 0 ]] && budget="$budget -max_total_time=$secs"
  fi
  # shellcheck disable=SC2046,SC2086
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$fuzz_dir/build/bin/fuzz_$t" -seed="$seed" $budget -max_len="$(fuzz_max_len "$t")" \
    -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=1200 -print_final_stats=1 \
    -artifact_prefix="$art" $(fuzz_inputs "$t") >"$log" 2>&1 || rc=$?
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  if [[ $rc -ne 0 ]]; then
    local input
    input=$(grep -o "Test unit written to [^ ]*" "$log" | tail -n 1 | sed 's/Test unit written to //')
    echo "fuzz: FINDING in $t (seed $seed), log $log"
    grep -E "ERROR: |SUMMARY: |check failed|runtime error" "$log" | head -n 5
    if [[ -n $input && -f $input ]]; then
      echo "fuzz: input $input ($(stat -c %s "$input") bytes), base64:"
      head -c 65536 "$input" | base64
    fi
    return 1
  fi
  echo "fuzz: $t ${budget#-} seed $seed: ${runs:-?} runs, no finding"
}

# Runs targets side by side: fuzz_each JOBS TAG BEFORE RUN TARGET...
# For each target BEFORE TARGET runs first, in this shell (it may print and set variables), then
# RUN TARGET LOG in the background with its output kept aside, at most JOBS at a time; the logs
# are $fuzz_dir/logs/TAG<target>.log. Once all ended, their outputs are printed in target order.
# Fails when one of them failed.
fuzz_each() {
  local jobs=$1 tag=$2 before=$3 run=$4 t i failed=0
  shift 4
  local pids=() names=()
  mkdir -p "$fuzz_dir/logs"
  for t in "$@"; do
    "$before" "$t"
    "$run" "$t" "$fuzz_dir/logs/$tag$t.log" > "$fuzz_dir/logs/$tag$t.out" &
    pids+=($!)
    names+=("$t")
    while [[ $(jobs -rp | wc -l) -ge $jobs ]]; do wait -n || true; done
  done
  for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || failed=1
    cat "$fuzz_dir/logs/$tag${names[$i]}.out"
  done
  return $failed
}
