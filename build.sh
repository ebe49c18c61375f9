#!/usr/bin/env bash
# The project's two commands (and the benchmarks):
#   ./build.sh run    set up what is missing, build, start Quillmoor
#   ./build.sh test   set up what is missing, build, run every test
#   ./build.sh bench  set up, build and run the benchmarks under bench/
set -euo pipefail

root=$(cd "$(dirname "$0")" && pwd)
build=${QM_BUILD_DIR:-$root/build}
verb=${1:-}
case $verb in
  run|test|bench) ;;
  *) echo "usage: $0 run|test|bench" >&2; exit 2 ;;
esac

eval "$(QM_BUILD_DIR=$build bash "$root/tools/setup.sh")"
export QM_TEST_IMAGES
# Clones in other folders (CI's, a second work tree) reuse the compiler cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Configure once; again only when the library cache moved (new versions).
if [[ ! -f $build/build.ninja ]] || ! grep -qxF "QM_DEPS:PATH=$QM_DEPS" "$build/CMakeCache.txt" 2>/dev/null; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DQM_DEPS:PATH="$QM_DEPS" >/dev/null
fi
jobs=$(nproc)
cmake --build "$build" -j "$jobs"

xvfb_pid=
cleanup() {
  local rc=$?
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  if [[ $verb == test ]]; then
    WINEPREFIX=$build/wineprefix-classic wineserver -k 2>/dev/null || true
  fi
  exit $rc
}

# One X display for the whole run when there is none (windows need it).
start_display() {
  [[ -n ${DISPLAY:-} && $verb == run ]] && return
  local n
  for n in $(seq 90 160); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      [[ -e /tmp/.X11-unix/X$n ]] && break
      sleep 0.05
    done
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return
    fi
    xvfb_pid=
  done
  echo "build.sh: could not start Xvfb" >&2
  exit 1
}

trap cleanup EXIT
case $verb in
  test)
    start_display
    # One Wine server per prefix (the default one and the classic one) for the whole run, with
    # its services started here: started by the first test program instead, they would hold
    # that program's output pipe open.
    for prefix in "$build/wineprefix" "$build/wineprefix-classic"; do
      WINEPREFIX=$prefix wineserver -p 2>/dev/null || true
      WINEPREFIX=$prefix "$root/tools/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
    done
    rc=0
    ctest --test-dir "$build" --output-on-failure -j "$jobs" || rc=$?
    # Programs that drive the real mouse and keyboard under Wine now and then lose a race with
    # the display when they follow one another; a program that failed runs once more on its own,
    # and the run names every program that needed it, also when others fail again.
    failed_log=$build/Testing/Temporary/LastTestsFailed.log
    if [[ $rc -ne 0 && -s $failed_log ]]; then
      failed=$(cut -d: -f2 "$failed_log" | sort)
      again=""
      if ctest --test-dir "$build" --output-on-failure --rerun-failed; then
        rc=0
      elif [[ -s $failed_log ]]; then
        again=$(cut -d: -f2 "$failed_log" | sort)
      fi
      passed=$(comm -23 <(echo "$failed") <(echo "$again") | tr '\n' ' ')
      if [[ -n ${passed// /} ]]; then
        echo "build.sh: failed once and passed when run again: $passed" >&2
      fi
    fi
    # The screenshots the window tests wrote, as .png files a person looks at; the pictures the
    # programs name (SHOTS) and did not write are named.
    /usr/bin/python3 "$root/tools/screenshots-png.py" "$build/screenshots" --list "$build/screenshots.list" || true
    [[ $rc -eq 0 ]] || exit $rc
    # The journeys: the program as shipped, started on the display bare and in a Wine virtual
    # desktop, driven with XTest input and checked on the screen (tests/journeys/run.py).
    # As with the test programs, a journey that failed runs once more on its own (in the mode it
    # failed in: a failed step can leave a window open for the journeys after it), and the run
    # names every journey that needed it. A journey that fails again fails the command, and so
    # does a run that failed without naming a journey.
    journeys_log=$build/journeys.log
    if ! /usr/bin/python3 "$root/tests/journeys/run.py" --build "$build" 2>&1 | tee "$journeys_log"; then
      again=$(awk '/^FAIL / { sub(":", "", $3); print $2 " " $3 }' "$journeys_log" | sort -u)
      [[ -n ${again// /} ]] || { echo "build.sh: the journeys failed before naming a failed step" >&2; exit 1; }
      jrc=0
      while read -r mode name; do
        [[ -n $name ]] || continue
        if /usr/bin/python3 "$root/tests/journeys/run.py" --build "$build" --mode "$mode" --only "$name"; then
          echo "build.sh: journey $name ($mode) failed once and passed when run again" >&2
        else
          echo "build.sh: journey $name ($mode) failed twice" >&2
          jrc=1
        fi
      done <<< "$again"
      [[ $jrc -eq 0 ]] || exit 1
    fi
    # The fuzz stage: every fuzz target replays its seeds and regressions, then runs a fixed
    # number of inputs with a fixed seed, so a result repeats (tests/fuzz/ci.sh).
    QM_FUZZ_DIR=$build/fuzz "$root/tests/fuzz/ci.sh"
    ;;
  run)
    if [[ ! -f $build/bin/Quillmoor.exe ]]; then
      echo "Quillmoor: the program itself is not built yet."
      exit 0
    fi
    virtual=
    [[ -z ${DISPLAY:-} ]] && virtual=1
    start_display
    shots=$build/screenshots
    mkdir -p "$shots"
    "$root/tools/wine-run.sh" "$build/bin/Quillmoor.exe" &
    app_pid=$!
    # Once the main window is up (and the splash over it has gone), a picture of it.
    wid=
    for _ in $(seq 1 600); do
      wid=$(xwininfo -root -tree 2>/dev/null | awk '/"Quillmoor [0-9.]+"/ { print $1; exit }')
      [[ -n $wid ]] && break
      kill -0 "$app_pid" 2>/dev/null || break
      sleep 0.2
    done
    if [[ -n $wid ]]; then
      sleep 4
      if import -window "$wid" "$shots/run-main.png" 2>/dev/null; then
        echo "Quillmoor: main window screenshot $shots/run-main.png"
      else
        echo "Quillmoor: could not take the screenshot" >&2
      fi
    else
      echo "Quillmoor: the main window did not appear" >&2
    fi
    if [[ -n $virtual ]]; then
      # Nobody can use the program on the virtual display: end it.
      kill "$app_pid" 2>/dev/null || true
      wait "$app_pid" 2>/dev/null || true
    else
      wait "$app_pid" || true
    fi
    ;;
  bench)
    cmake --build "$build" -j "$jobs" --target benches
    start_display
    shopt -s nullglob
    benches=("$build"/bench/*.exe)
    [[ ${#benches[@]} -eq 0 ]] && echo "no benchmarks yet"
    # Each benchmark gets a private test web server (QUILLMOOR_TEST_SERVER) for its references.
    py=python3
    [[ -x /usr/bin/python3 ]] && py=/usr/bin/python3
    for b in "${benches[@]}"; do
      echo "== $(basename "$b" .exe)"
      "$py" "$root/tests/server/run_with_server.py" -- "$root/tools/wine-run.sh" "$b"
    done
    # Script benchmarks start their own server and drive the engine driver (the crawl).
    for b in "$root"/bench/*.py; do
      echo "== $(basename "$b" .py)"
      "$py" "$b" "$build/bin/engine_driver.exe" "$root/tools/wine-run.sh" || echo "$(basename "$b") failed"
    done
    # The edit loop builds a folder of its own without the compiler cache and times rebuilds.
    echo "== edit_loop"
    "$root/bench/edit_loop.sh" || echo "edit_loop failed"
    ;;
esac
