#!/usr/bin/env bash
# Builds the libFuzzer targets over the program's own libraries with clang-14 (AddressSanitizer,
# UndefinedBehaviorSanitizer, leak checks; the tree compiled for the fuzzer in its own folder) and
# runs each briefly from its corpus and seeds (tools/fuzz/seeds/<target>/):
#   transfer_fuzzer          incoming MIDI during transfers; every transfer ends once the device
#                            falls silent
#   db_list_fuzzer           database list replies: clean row names, decimal ids, downloads and
#                            slot files that stay in their folder
#   html_title_fuzzer        HTML titles to text, and the file-name cleaner
#   user_dat_fuzzer          user.dat: read, write, read gives the same password
#   live_edit_layout_fuzzer  reading LiveEditLayout.h
#   ini_file_fuzzer          settings files: rewriting one key keeps every other key
#   program_file_fuzzer      .pr4/.pr3/.prg: read, save, read gives the same program
#   kept_bank_fuzzer         managerbank.txt: every slot once, only program files, read again
#                            after writing gives the same bank
# Exits non-zero when the build fails or a fuzzer finds a crash, a leak, a timeout or a broken
# property.
#   FUZZ_SECONDS  run time per target (default 7)   FUZZ_TARGETS  targets to run (default all)
#   VQ_FUZZ_BUILD  build folder (default build-fuzz-midi)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VQ_FUZZ_BUILD:-$here/build-fuzz-midi}
seconds=${FUZZ_SECONDS:-7}
jobs=${VQ_FUZZ_JOBS:-$(nproc)}
targets=(${FUZZ_TARGETS:-transfer_fuzzer db_list_fuzzer html_title_fuzzer user_dat_fuzzer
         live_edit_layout_fuzzer ini_file_fuzzer program_file_fuzzer kept_bank_fuzzer})
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

echo "fuzz: building ${targets[*]} in $build"
# clang 14 leaves sized deallocation off unless asked; the program's own code uses it.
CC=${VQ_FUZZ_CC:-clang-14} CXX=${VQ_FUZZ_CXX:-clang++-14} cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DVQ_TESTS=OFF -DVQ_BENCH=OFF -DVQ_FUZZ=ON "${launcher[@]}" \
  -DCMAKE_C_FLAGS="-O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_CXX_FLAGS="-O1 -fsized-deallocation -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus" "$build/artifacts"
  inputs=("$corpus")
  [ -d "$here/tools/fuzz/seeds/$target" ] && inputs+=("$here/tools/fuzz/seeds/$target")
  echo "fuzz: $target for ${seconds}s"
  # The outer timeout bounds the run even if the fuzzer itself hangs; -timeout catches one input
  # that never returns.
  timeout --kill-after=10 $((seconds + 60)) "$build/tools/fuzz/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 "${inputs[@]}"
done
echo "fuzz: no crash, no hang, every property held"
