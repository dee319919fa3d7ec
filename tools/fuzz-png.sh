#!/usr/bin/env bash
# Builds the PNG loader's libFuzzer target with clang-14 (AddressSanitizer, UndefinedBehavior-
# Sanitizer, leak checks) in its own folder and runs it briefly from the seed images.
# Exits non-zero when the build fails or the fuzzer finds a crash, a leak or a timeout.
#   FUZZ_SECONDS  run time (default 30)     VQ_FUZZ_BUILD  build folder (default build-fuzz)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VQ_FUZZ_BUILD:-$here/build-fuzz}
seconds=${FUZZ_SECONDS:-30}
cxx=${VQ_FUZZ_CXX:-clang++-14}

mkdir -p "$build/corpus" "$build/artifacts"
# The loader and the memory bitmap it creates only (the drawing contexts the system bitmap would
# need are stand-ins): the fuzzer does not depend on the rest of the program compiling under clang.
sources=(
  "$here/tools/fuzz/png_fuzzer.cpp"
  "$here/tools/fuzz/no_draw_contexts.cpp"
  "$here/rast/rast_png.cpp"
  "$here/rast/rast_bitmap.cpp"
)
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -I"$here"
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
echo "fuzz-png: building $build/png_fuzzer"
"$cxx" "${flags[@]}" $(pkg-config --cflags libpng) "${sources[@]}" -o "$build/png_fuzzer" \
  $(pkg-config --libs libpng) -lz

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
echo "fuzz-png: running for ${seconds}s"
# The outer timeout bounds the run even if the fuzzer itself hangs. Comparison tracing stays off:
# with it the fuzzer's own tables grow by gigabytes over a run.
timeout --kill-after=10 $((seconds + 60)) "$build/png_fuzzer" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -use_cmp=0 \
  -dict="$here/tools/fuzz/png.dict" -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
  "$build/corpus" "$here/tools/fuzz/png_seeds"
echo "fuzz-png: no crash"
