#!/usr/bin/env bash
# Sets up the machine, builds the program (optimised) with its images and user guide, and starts
# it. JOBS=N limits the build to N parallel jobs (default: one per core). Arguments go to the
# program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
build="$here/build"
jobs=${JOBS:-$(nproc)}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target VQEditor4
exec "$build/app/VQEditor4" "$@"
