#!/usr/bin/env bash
# Runs every test: native host tests (sanitizers) and fuzzers, the Windows tests
# under Wine, and the end-to-end checks of volnar.exe. Installs what it needs.
# Ends with one line "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
VOLNAR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$VOLNAR_ROOT"
source tools/wine-env.sh

volnar_install_deps || {
  echo "installing the build and test tools failed"; echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
work=$(mktemp -d /tmp/volnar-tests.XXXXXX)
logs=$VOLNAR_ROOT/build/test-logs
mkdir -p "$logs"
times=$logs/test-times.txt  # "seconds layer name", a line a test
: >"$times"

# Adds the counts of one GoogleTest log; a run that printed no summary failed.
count_gtest() {
  local log=$1 rc=$2 p f
  p=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n1)
  f=$(grep -oE '^\[  FAILED  \] [0-9]+ tests?,' "$log" | grep -oE '[0-9]+' | tail -n1)
  p=${p:-0}; f=${f:-0}
  if [ "$rc" != 0 ] && [ "$f" = 0 ]; then f=1; echo "  $(basename "$log"): ended with code $rc before its summary"; fi
  # A run that ended without GoogleTest's closing count ended early (killed by its
  # time limit, or a crash that Wine reported as an exit).
  if ! grep -qE '^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran' "$log" && [ "$f" = 0 ]; then
    f=1; echo "  $(basename "$log"): ended before its summary"
  fi
  grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u | sed 's/^/  /'
  # Each test's time, for the list of the slowest at the end.
  sed -nE 's/^\[ +(OK|FAILED) +\] ([A-Za-z0-9_.\/]+) \(([0-9]+) ms\)$/\3 \2/p' "$log" |
    awk -v what="$(basename "$log" .log)" '{ printf "%.1f %s %s\n", $1 / 1000, what, $2 }' >>"$times"
  passed=$((passed + p)); failed=$((failed + f))
  echo "  $(basename "$log" .log): $p passed, $f failed"
}

# one(name, rc): a check that counts as a single test. A failure shows the end of its
# log here too, since the run's own output may be all that is left of a machine.
one() {
  if [ "$2" = 0 ]; then passed=$((passed + 1)); return; fi
  failed=$((failed + 1))
  echo "  FAILED: $1 (see $logs/$1.log)"
  [ -f "$logs/$1.log" ] && tail -n "${VOLNAR_FAIL_LINES:-25}" "$logs/$1.log" | sed 's/^/    | /'
}

# Each stage says how long it took, so that the slow ones are known.
stage_started=$SECONDS
stage() {
  echo "   ($((SECONDS - stage_started)) s)"
  stage_started=$SECONDS
  echo "== $1"
}

echo "   (installing: $SECONDS s)"
stage_started=$SECONDS
echo "== host build and tests"
# The fuzzers run as 32-bit programs where the machine runs them, as the shipped
# program is one: size arithmetic on lengths from the network wraps there first.
fuzz_flags=() fuzz_width=64
if volnar_runs_32bit; then fuzz_flags=(-DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32) fuzz_width=32; fi
if cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >"$logs/host-build.log" 2>&1 &&
   cmake --build build/host -j"$(nproc)" >>"$logs/host-build.log" 2>&1 &&
   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DVOLNAR_FUZZ=ON "${fuzz_flags[@]}" >>"$logs/host-build.log" 2>&1 &&
   cmake --build build/fuzz -j"$(nproc)" >>"$logs/host-build.log" 2>&1; then
  (cd build/host && ASAN_OPTIONS=detect_leaks=1 timeout 600 ./volnar_hosttests) >"$logs/host.log" 2>&1
  count_gtest "$logs/host.log" $?
  python3 tools/check_engine_rooms.py >"$logs/engine-rooms.log" 2>&1
  one engine-rooms $?
  python3 tools/check_thread_locals.py >"$logs/thread-locals.log" 2>&1
  one thread-locals $?
  stage "fuzzers (briefly, $fuzz_width-bit, two at a time)"
  # fuzz_one NAME: its log in $logs, its exit code in $work/NAME.rc.
  fuzz_one() {
    local name=$1 corpus=$work/corpus-$1 seeds=tests/fuzz/corpus/${1#fuzz_}
    mkdir -p "$corpus"
    timeout 120 "build/fuzz/$name" -max_total_time="${VOLNAR_FUZZ_SECONDS:-5}" -timeout=60 -rss_limit_mb=2048 \
      "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) >"$logs/$name.log" 2>&1
    echo $? >"$work/$name.rc"
  }
  fuzzers=()
  for fz in build/fuzz/fuzz_*; do [ -x "$fz" ] && fuzzers+=("$(basename "$fz")"); done
  for ((i = 0; i < ${#fuzzers[@]}; i += 2)); do
    fuzz_one "${fuzzers[i]}" &
    [ -n "${fuzzers[i + 1]:-}" ] && fuzz_one "${fuzzers[i + 1]}"
    wait
  done
  for name in "${fuzzers[@]}"; do one "$name" "$(cat "$work/$name.rc" 2>/dev/null || echo 1)"; done
else
  echo "  host build failed: $logs/host-build.log"; tail -n 30 "$logs/host-build.log"; failed=$((failed + 1))
fi

tested="the $VOLNAR_WIN_WIDTH-bit Windows build under $VOLNAR_WIN_WIDTH-bit Wine ($VOLNAR_WIN_WHY)"
# The built-in catalogue of the programs built here asks a local stand-in of the station
# directory (started below with the test station), never the public one.
directory_port=47490
export VOLNAR_CMAKE_ARGS="-DVOLNAR_CATALOGUE_HOST= -DVOLNAR_DIRECTORY_URL=http://127.0.0.1:$directory_port"
stage "Windows build: the shipped 32-bit volnar.exe; tests on $tested"
volnar_build_shipped >"$logs/win32-build.log" 2>&1
shipped_rc=$?
volnar_check_shipped build/win32/volnar.exe >"$logs/shipped-exe.log" 2>&1
one shipped-exe $?
win_rc=$shipped_rc
if [ "$shipped_rc" = 0 ] && [ "$VOLNAR_WIN_WIDTH" = 64 ]; then
  VOLNAR_TESTS_ONLY=1 volnar_build_win64 >"$logs/win64-build.log" 2>&1
  win_rc=$?
fi
if [ "$win_rc" = 0 ]; then
  # The display comes first: a Wine session started without one cannot make windows.
  volnar_display || true
  volnar_wine_prefix "$VOLNAR_ROOT/build/wine"
  volnar_capture_audio "$work/audio"
  station_pid=
  if [ -f tools/station.py ]; then
    tls=()
    if volnar_test_tls "$work/certs" >"$logs/tls.log" 2>&1; then
      tls=(--tls-dir "$work/certs" --tls-port-file "$work/station.tls")
    else
      echo "  no test certificates (see $logs/tls.log): the https checks are skipped"
    fi
    python3 tools/station.py --port 0 --port-file "$work/station.port" "${tls[@]}" >"$logs/station.log" 2>&1 &
    station_pid=$!
    for i in $(seq 50); do [ -s "$work/station.port" ] && break; sleep 0.1; done
    export VOLNAR_STATION="http://127.0.0.1:$(cat "$work/station.port" 2>/dev/null)"
    if [ -s "$work/station.tls" ]; then
      while read -r name port; do
        export "VOLNAR_HTTPS_${name^^}=https://localhost:$port"
      done < "$work/station.tls"
    fi
  fi
  directory_pid=
  if [ -f tools/directory_standin.py ]; then
    python3 tools/directory_standin.py --port "$directory_port" --station "$VOLNAR_STATION" --quiet \
      >"$logs/directory.log" 2>&1 &
    directory_pid=$!
  fi
  export VOLNAR_WORK=$work
  if [ -x "$VOLNAR_WIN_DIR/volnar_wintests.exe" ]; then
    stage "Windows tests under Wine ($VOLNAR_WIN_WIDTH-bit)"
    # Wine's pulse driver asks the sound server for a buffer of only three 10 ms
    # periods, so a timer thread of Wine's that is 30 ms late breaks the sound
    # that the tone checks hear, whatever the engine queued (bench/README.md,
    # underruns). The tests get a 100 ms server buffer, as the system mixer
    # reads the endpoint buffer on Windows.
    # Most of their time is waiting (a window with a caption takes about 2 s to hide
    # under Wine without a window manager), so they run as two halves side by side
    # (GoogleTest's sharding: every other test). The second half has a Wine prefix
    # (window station, registry), an X display and a sound server of its own, so
    # neither half sees the other's windows, pointer, settings or sound.
    win_half() {  # index: runs that half, its exit code in $work/win-INDEX.rc
      (cd "$VOLNAR_WIN_DIR" && GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$1 PULSE_LATENCY_MSEC=100 \
        timeout 900 wine volnar_wintests.exe) >"$logs/win-$1.log" 2>&1
      echo $? >"$work/win-$1.rc"
    }
    (
      unset DISPLAY
      VOLNAR_XVFB_PID= VOLNAR_PULSE_PID= VOLNAR_PULSE_DIR= VOLNAR_PAREC_PID=
      volnar_display && volnar_wine_prefix "$VOLNAR_ROOT/build/wine-side" &&
        volnar_capture_audio "$work/audio-side" &&
        { [ -z "${VOLNAR_TLS_DIR:-}" ] || volnar_trust_test_tls "$VOLNAR_TLS_DIR"; } && win_half 1
      volnar_wine_end
    ) &
    win_side_pid=$!
    win_half 0
    wait "$win_side_pid"
    for i in 0 1; do count_gtest "$logs/win-$i.log" "$(cat "$work/win-$i.rc" 2>/dev/null || echo 1)"; done
  fi
  # The end-to-end checks record each run on its own; the sound server stays.
  volnar_capture_stop
  stage "end-to-end (two at a time)"
  # Two lines of checks side by side. The checks of the engine alone (vnplay, no
  # window) that take longest run in a Wine prefix, a sound server and Wine session
  # of their own, each check making its own Icecast, HLS server and ports; the rest
  # (the player's windows among them, found on the display by size) one after
  # another in the test command's prefix, display and sound server.
  side=(test_engine_play test_hls test_icecast_faults test_output_device test_station)
  main=()
  for t in tests/e2e/test_*.py; do
    name=$(basename "$t" .py)
    [[ " ${side[*]} " == *" $name "* ]] || main+=("$name")
  done
  run_e2e() {  # results file, checks...: one after another
    local results=$1 name t0 rc
    shift
    for name; do
      [ -f "tests/e2e/$name.py" ] || continue
      t0=$SECONDS
      timeout 600 python3 "tests/e2e/$name.py" >"$logs/$name.log" 2>&1
      rc=$?
      echo "$name $rc $((SECONDS - t0))" >>"$results"
    done
  }
  : >"$work/e2e-main"
  : >"$work/e2e-side"
  (
    unset WINEPREFIX VOLNAR_PULSE_SERVER PULSE_SERVER VOLNAR_PULSE_LOG
    export VOLNAR_E2E_PREFIX=$VOLNAR_ROOT/build/wine-side
    run_e2e "$work/e2e-side" "${side[@]}"
  ) &
  side_pid=$!
  run_e2e "$work/e2e-main" "${main[@]}"
  wait "$side_pid"
  while read -r name rc secs; do
    one "$name" "$rc"
    echo "  $name: $secs s"
    echo "$secs e2e $name" >>"$times"
  done < <(cat "$work/e2e-main" "$work/e2e-side")
  if [ -x tests/catalogue/run-browser-tests.sh ] || [ -f tests/catalogue/run-browser-tests.sh ]; then
    stage "the catalogue's pages in headless Chromium"
    timeout 600 bash tests/catalogue/run-browser-tests.sh >"$logs/catalogue-browser.log" 2>&1
    one catalogue-browser $?
  fi
  [ -n "$station_pid" ] && kill "$station_pid" 2>/dev/null
  [ -n "$directory_pid" ] && kill "$directory_pid" 2>/dev/null
  volnar_wine_end
else
  log=$logs/win32-build.log
  [ "$shipped_rc" = 0 ] && log=$logs/win64-build.log
  echo "  Windows build failed: $log"; grep -m 20 -E 'error|Error' "$log"; failed=$((failed + 1))
fi

rm -rf "$work"
echo "   ($((SECONDS - stage_started)) s; $SECONDS s in all)"
echo "the ten slowest tests (seconds, layer, test; all in $times):"
sort -rn "$times" | head -n 10 | sed 's/^/  /'

echo "tested: host build, fuzzers, and $tested"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
