#!/usr/bin/env bash
# Sets up the machine, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, builds the optimised program, benchmarks and tests and runs each optimised test
# binary whole in shuffled order, fuzzes the PNG loader, incoming MIDI during transfers, and the
# files and replies that come from outside briefly, and runs the threaded suites under ThreadSanitizer.
# Exits non-zero when anything fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
jobs=$(nproc)
# A compiler cache makes repeated runs on one machine quick; paths are taken relative to the
# checkout, so another clone of the same tree hits it too.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
fi

build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=ON -DVQ_TESTS=ON -DVQ_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$jobs"

# The optimised build is what tools/run.sh starts: it must compile warning-free too, tests
# included (optimisation finds faults the debug build hides).
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQ_TESTS=ON -DVQ_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build "$here/build" -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Tests that cross real MIDI ports need a JACK server; this starts one for the run when it can.
source "$here/tools/jack-env.sh"
vq_start_jack || true
# Desktop tests need an X display; this starts a private one like the JACK server.
source "$here/tools/xvfb-env.sh"
vq_start_xvfb || true
# A desktop has a session bus; without one GTK's accessibility bridge forks dbus-launch while the
# program's image threads allocate, and under AddressSanitizer such a child can hang before its
# exec, holding the program's X connection and so its windows after it quit.
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-disabled:}
trap 'vq_stop_jack; vq_stop_xvfb' EXIT

status=0
# What failed, repeated at the end: a log cut to its last lines still says it.
failed=()
fail() { status=1; failed+=("$1"); }
# The tree follows .clang-format; a file that drifts is named here.
unformatted=$(cd "$here" && git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u || true)
if [ -n "$unformatted" ]; then
  fail "formatting"
  echo "not formatted as .clang-format says (clang-format-14 -i fixes them):"; echo "$unformatted"
fi
# About a minute of fuzzing in all: each target a few seconds.
env -u ASAN_OPTIONS -u UBSAN_OPTIONS FUZZ_SECONDS=${FUZZ_SECONDS:-6} "$here/tools/fuzz-png.sh" >"$build/fuzz-png.log" 2>&1 \
  || { fail "fuzz-png"; echo "fuzz-png failed:"; tail -40 "$build/fuzz-png.log"; }
env -u ASAN_OPTIONS -u UBSAN_OPTIONS FUZZ_SECONDS=${FUZZ_SECONDS:-6} "$here/tools/fuzz.sh" \
  >"$build/fuzz.log" 2>&1 \
  || { fail "fuzz"; echo "fuzz failed:"; grep -v '^directoryContents\|^    \|^)' "$build/fuzz.log" | tail -40; }

# A test binary run whole gets a limit, so that a hang names its test instead of using up the run.
whole_binary_limit=1200
still_running() {  # $1: the log of a binary ended by the limit or a crash
  local last
  last=$(grep '^\[ RUN' "$1" | tail -1)
  [ -n "$last" ] && ! grep -q "^\[ *\(OK\|FAILED\|SKIPPED\) *\] ${last#*] }" "$1" && echo "  unfinished: ${last#*] }"
  return 0
}
phase() { echo "-- $1 after $SECONDS s"; }
phase "builds"

# Every optimised test binary whole, in shuffled order, so that one test leaning on another's
# leftovers cannot hide behind one process per test. The seed is printed to repeat an order
# (--gtest_random_seed=N).
for bin in "$here"/build/tests/*/*_tests; do
  log="$here/build/$(basename "$bin").shuffle.log"
  if VQ_SOURCE_DIR="$here" VQ_BINARY_DIR="$here/build" timeout "$whole_binary_limit" "$bin" --gtest_shuffle --gtest_filter='-*OverJack.*' >"$log" 2>&1; then
    echo "$(basename "$bin"): $(grep -m1 -o 'seed of [0-9]*' "$log" || true), $(grep -m1 -o 'PASSED.*' "$log" || true)"
  else
    fail "$(basename "$bin") in shuffled order"
    echo "$(basename "$bin") failed in shuffled order ($(grep -m1 -o 'seed of [0-9]*' "$log" || true)):"
    grep -E '^\[  FAILED|Failure|ERROR|Sanitizer' "$log" | head -40 || tail -40 "$log"
    still_running "$log"
  fi
done

phase "shuffled runs"
cd "$build"
# Tests that cross real MIDI ports (suites named ...OverJack) and tests that drive real windows
# with real X input (suites named ...Desktop...) run after the rest, one at a time: JACK's dummy
# driver and the X server keep real time, and on a loaded machine a client that misses a cycle or
# a window that maps late can lose an event. Such a test gets up to three tries; a real fault
# fails all three. Every retry is reported by the test's name, so a flaky test stays visible.
ctest --output-on-failure -j"$jobs" --timeout 300 -E 'OverJack\.|Desktop' \
  || fail "sanitizer build: $(cut -d: -f2 Testing/Temporary/LastTestsFailed.log 2>/dev/null | tr '\n' ' ')"
run_alone() {  # $1: what to call them, $2: ctest -R pattern, $3: ctest -E pattern
  local kind=$1 tests t try retried=()
  mapfile -t tests < <(ctest -N -R "$2" ${3:+-E "$3"} | sed -n 's/^ *Test *#[0-9]*: *//p')
  for t in "${tests[@]}"; do
    for try in 1 2 3; do
      if ctest --output-on-failure --timeout 300 -R "^${t//./\\.}\$" >"$build/alone-test.log" 2>&1; then
        [ "$try" -gt 1 ] && retried+=("$t (passed on try $try)")
        break
      fi
      echo "$kind test $t failed on try $try"
      if [ "$try" -eq 3 ]; then
        fail "$kind test $t"
        retried+=("$t (failed all three tries)")
        cat "$build/alone-test.log"
      fi
    done
  done
  echo "$kind tests: ${#tests[@]} run, ${#retried[@]} retried"
  for t in "${retried[@]}"; do echo "  retried: $t"; done
}
phase "sanitizer build's tests"
run_alone Desktop 'Desktop' 'OverJack\.'
phase "desktop tests"
run_alone JACK 'OverJack\.'
phase "JACK tests"

# ThreadSanitizer build of the suites whose code runs on several threads: the timer thread, MIDI
# input, posted messages, the editor, its transfers and the shell that makes it.
tsan="$here/build-tsan"
tsan_env=(env -u ASAN_OPTIONS -u UBSAN_OPTIONS VQ_SOURCE_DIR="$here" VQ_BINARY_DIR="$tsan"
          TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tools/tsan.supp")
cmake -S "$here" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_TSAN=ON -DVQ_TESTS=ON -DVQ_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$tsan" -j"$jobs" --target plugin_tests platform_tests wemu_tests editor_tests library_tests app_tests
for suite in plugin platform wemu editor library app; do
  "${tsan_env[@]}" timeout "$whole_binary_limit" "$tsan/tests/$suite/${suite}_tests" --gtest_filter='-*OverJack*' >"$tsan/$suite.log" 2>&1 \
    || { fail "ThreadSanitizer: ${suite}_tests"; echo "ThreadSanitizer: ${suite}_tests failed:"; grep -m1 -A40 "WARNING: ThreadSanitizer\|FAILED" "$tsan/$suite.log" || true; still_running "$tsan/$suite.log"; }
done
# Over JACK: the MIDI ports' threads and the editor's transfers on its MIDI input thread, talking
# to the simulator of the first build (an instrumented one is too slow for JACK's cycles); three
# tries as above.
if [ "${VQ_JACK:-0}" = 1 ]; then
  # On a fresh server: the tests before killed programs whose clients the server had to drop,
  # and on such a server a client closing under ThreadSanitizer has hung inside the JACK library.
  vq_stop_jack
  vq_start_jack || true
  cd "$tsan"
  mapfile -t tsan_jack < <(ctest -N -R 'OverJack\.' -E '^VqsimOverJack\.' | sed -n 's/^ *Test *#[0-9]*: *//p')
  for t in "${tsan_jack[@]}"; do
    for try in 1 2 3; do
      "${tsan_env[@]}" VQSIM="$build/tools/vqsim/vqsim" ctest --output-on-failure --timeout 300 -R "^${t//./\\.}\$" \
        >"$tsan/jack-test.log" 2>&1 && break
      echo "ThreadSanitizer: JACK test $t failed on try $try"
      if [ "$try" -eq 3 ]; then
        fail "ThreadSanitizer: JACK test $t"
        cat "$tsan/jack-test.log"
      fi
    done
  done
fi
phase "ThreadSanitizer"
if [ "$status" -ne 0 ]; then
  echo "FAILED:"
  for f in "${failed[@]}"; do echo "  $f"; done
fi
exit $status
