#!/usr/bin/env bash
# Sets up the machine, builds the program (optimised) and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
build="$here/build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQ_TESTS=OFF -DVQ_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
exec "$build/app/VQEditor4" "$@"
