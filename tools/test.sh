#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, builds the optimised program and benchmarks, and fuzzes the PNG loader briefly.
# Exits non-zero when anything fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
jobs=$(nproc)

build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=ON -DVQ_TESTS=ON -DVQ_BENCH=ON >/dev/null
cmake --build "$build" -j"$jobs"

# The optimised build is what tools/run.sh starts: it must compile warning-free too.
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQ_TESTS=OFF -DVQ_BENCH=ON >/dev/null
cmake --build "$here/build" -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Tests that cross real MIDI ports need a JACK server; this starts one for the run when it can.
source "$here/tools/jack-env.sh"
vq_start_jack || true
# Desktop tests need an X display; this starts a private one like the JACK server.
source "$here/tools/xvfb-env.sh"
vq_start_xvfb || true
trap 'vq_stop_jack; vq_stop_xvfb' EXIT

status=0
env -u ASAN_OPTIONS -u UBSAN_OPTIONS FUZZ_SECONDS=${FUZZ_SECONDS:-20} "$here/tools/fuzz-png.sh" >"$build/fuzz-png.log" 2>&1 \
  || { status=1; echo "fuzz-png failed:"; tail -40 "$build/fuzz-png.log"; }

cd "$build"
# Tests that cross real MIDI ports (suites named ...OverJack) run last and alone: JACK's
# dummy driver keeps real time, and on a loaded machine a client that misses a cycle can lose
# or repeat a port buffer. Such a test gets up to three tries; a real fault fails all three.
ctest --output-on-failure -j"$jobs" --timeout 300 -E 'OverJack\.' || status=$?
ctest --output-on-failure -j1 --timeout 300 --repeat until-pass:3 -R 'OverJack\.' || status=$?
exit $status
