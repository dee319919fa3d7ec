#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test. Exits non-zero when anything fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=ON -DVQ_TESTS=ON -DVQ_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Tests that cross real MIDI ports need a JACK server; this starts one for the run when it can.
source "$here/tools/jack-env.sh"
vq_start_jack || true
trap vq_stop_jack EXIT
cd "$build"
# Tests that cross real MIDI ports (suites named ...OverJack) run last and alone: JACK's
# dummy driver keeps real time, and a machine loaded by parallel tests can make it drop data.
status=0
ctest --output-on-failure -j"$(nproc)" --timeout 300 -E 'OverJack\.' || status=$?
ctest --output-on-failure -j1 --timeout 300 -R 'OverJack\.' || status=$?
exit $status
