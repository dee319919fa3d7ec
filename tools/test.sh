#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, builds the optimised program and benchmarks, fuzzes the PNG loader briefly and
# runs the threaded suites under ThreadSanitizer.
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
trap vq_stop_jack EXIT

status=0
env -u ASAN_OPTIONS -u UBSAN_OPTIONS FUZZ_SECONDS=${FUZZ_SECONDS:-20} "$here/tools/fuzz-png.sh" >"$build/fuzz-png.log" 2>&1 \
  || { status=1; echo "fuzz-png failed:"; tail -40 "$build/fuzz-png.log"; }

cd "$build"
# Tests that cross real MIDI ports (suites named ...OverJack) run last and alone: JACK's
# dummy driver keeps real time, and on a loaded machine a client that misses a cycle can lose
# or repeat a port buffer. Such a test gets up to three tries; a real fault fails all three.
ctest --output-on-failure -j"$jobs" --timeout 300 -E 'OverJack\.' || status=$?
ctest --output-on-failure -j1 --timeout 300 --repeat until-pass:3 -R 'OverJack\.' || status=$?

# ThreadSanitizer build of the suites whose code runs on several threads: the timer thread, MIDI
# input, posted messages, the editor and its transfers.
tsan="$here/build-tsan"
cmake -S "$here" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_TSAN=ON -DVQ_TESTS=ON -DVQ_BENCH=OFF >/dev/null
cmake --build "$tsan" -j"$jobs" --target plugin_tests platform_tests wemu_tests editor_tests library_tests
for suite in plugin platform wemu editor library; do
  env -u ASAN_OPTIONS -u UBSAN_OPTIONS TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tools/tsan.supp" \
    "$tsan/tests/$suite/${suite}_tests" --gtest_filter='-*OverJack*' >"$tsan/$suite.log" 2>&1 \
    || { status=1; echo "ThreadSanitizer: ${suite}_tests failed:"; grep -m1 -A40 "WARNING: ThreadSanitizer\|FAILED" "$tsan/$suite.log" || true; }
done
# Over JACK: the editor's transfers on its MIDI input thread, talking to the simulator of the
# first build (an instrumented one is too slow for JACK's cycles). Retried like above. The port
# test's 20000-byte message needs more of JACK's cycles than an instrumented client keeps.
if [ "${VQ_JACK:-0}" = 1 ]; then
  (cd "$tsan" && env -u ASAN_OPTIONS -u UBSAN_OPTIONS VQSIM="$build/tools/vqsim/vqsim" \
    TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tools/tsan.supp" \
    ctest --output-on-failure -j1 --timeout 300 --repeat until-pass:3 -R 'OverJack\.' -E '^(VqsimOverJack|MidiInputOverJack)\.') || status=1
fi
exit $status
