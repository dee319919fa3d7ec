#!/usr/bin/env bash
# Builds the incoming-MIDI-during-transfers libFuzzer target with clang-14 (AddressSanitizer,
# UndefinedBehaviorSanitizer, leak checks; the editor and library compiled for the fuzzer in their
# own folder) and runs it briefly. Exits non-zero when the build fails or the fuzzer finds a crash,
# a leak, a timeout or a transfer that outlives its time-out.
#   FUZZ_SECONDS  run time (default 15)     VQ_FUZZ_BUILD  build folder (default build-fuzz-midi)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VQ_FUZZ_BUILD:-$here/build-fuzz-midi}
seconds=${FUZZ_SECONDS:-15}
jobs=${VQ_FUZZ_JOBS:-$(nproc)}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

mkdir -p "$build/corpus" "$build/artifacts"
echo "fuzz-transfers: building $build/tools/fuzz/transfer_fuzzer"
# clang 14 leaves sized deallocation off unless asked; the program's own code uses it.
CC=${VQ_FUZZ_CC:-clang-14} CXX=${VQ_FUZZ_CXX:-clang++-14} cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DVQ_TESTS=OFF -DVQ_BENCH=OFF -DVQ_FUZZ=ON "${launcher[@]}" \
  -DCMAKE_C_FLAGS="-O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_CXX_FLAGS="-O1 -fsized-deallocation -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$jobs" --target transfer_fuzzer

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
echo "fuzz-transfers: running for ${seconds}s"
# The outer timeout bounds the run even if the fuzzer itself hangs; -timeout catches one input
# that never returns.
timeout --kill-after=10 $((seconds + 60)) "$build/tools/fuzz/transfer_fuzzer" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$build/corpus"
echo "fuzz-transfers: no crash, no hang"
