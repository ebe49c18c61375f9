#!/usr/bin/env bash
# The edit loop: how long the build takes to bring every program up to date after one edit, on
# two cores without the compiler cache, as a developer waits for it.
#   bench/edit_loop.sh [RUNS]     (default 3 runs per figure; the median is printed)
# Builds its own folder (QM_EDIT_LOOP_DIR, default build-edit-loop) in full once, on the cores
# other than 0 and 1, then times on cores 0 and 1 with two jobs: (a) a command bar source file
# touched, (b) the bar manager's header touched. Each figure is taken with the project's linker
# (lld) and, as the reference in the same run, with the tool chain's GNU ld; the ratio is
# lld's time over GNU ld's. The per-step sums (compiles, archives, links) come from ninja's log.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${QM_EDIT_LOOP_DIR:-$root/build-edit-loop}
runs=${1:-3}
export CCACHE_DISABLE=1

eval "$(QM_BUILD_DIR=$dir bash "$root/tools/setup.sh")"

cores=$(nproc)
if [[ $cores -gt 2 ]]; then
  full=(taskset -c "2-$((cores - 1))" ninja -C "$dir" -j "$((cores - 2))")
else
  full=(ninja -C "$dir" -j "$cores")
fi
timed=(taskset -c 0,1 ninja -C "$dir" -j 2)

# configure LINKER: the build folder without the compiler cache, linking with LINKER.
configure() {
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DQM_DEPS:PATH="$QM_DEPS" -DQM_CCACHE=OFF -DQM_LINKER="$1" >/dev/null
  "${full[@]}" >/dev/null
}

# measure FILE: touches FILE and times the build RUNS times; prints the median wall time and the
# steps of the median run, and leaves the median in $median.
measure() {
  local file=$1 i n start end lines=() walls=()
  for i in $(seq 1 "$runs"); do
    n=$(wc -l < "$dir/.ninja_log")
    touch "$root/$file"
    start=$(date +%s.%N)
    "${timed[@]}" >/dev/null
    end=$(date +%s.%N)
    walls+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", e - s }')")
    lines+=("$(tail -n +$((n + 1)) "$dir/.ninja_log" | awk '
      { d = ($2 - $1) / 1000; k = "other"
        if ($4 ~ /\.obj$/) k = "compile"; else if ($4 ~ /\.a$/) k = "archive"; else if ($4 ~ /\.(exe|dll|OCX)$/) k = "link"
        t[k] += d; c[k]++ }
      END { for (k in t) if (k != "other") printf "  %s %d x %.1f s", k, c[k], t[k] }')")
  done
  i=$(for j in "${!walls[@]}"; do echo "${walls[$j]} $j"; done | sort -n | awk -v m=$(((runs + 1) / 2)) 'NR == m { print $2 }')
  median=${walls[$i]}
  printf '    %-28s %6.1f s  (runs: %s; median run:%s)\n' "$file" "$median" "${walls[*]}" "${lines[$i]}"
}

declare -A result
for linker in bfd lld; do
  echo "== linker $linker"
  configure "$linker"
  measure commandbars/windows/cbToolbar.cpp
  result[$linker-a]=$median
  measure commandbars/model/cbBarManager.h
  result[$linker-b]=$median
done

echo "== edit loop on 2 cores, median of $runs (seconds): lld / GNU ld"
for step in a b; do
  [[ $step == a ]] && what="one .cpp of the command bars" || what="cbBarManager.h"
  awk -v w="$what" -v s=$step -v l="${result[lld-$step]}" -v b="${result[bfd-$step]}" \
    'BEGIN { printf "  %s  %-30s %6.1f / %6.1f  ratio %.2f\n", s, w, l, b, l / b }'
done
