#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# SANITIZE=1 builds into build-asan with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir=build
flags=()
if [ "${SANITIZE:-0}" = 1 ]; then
  dir=build-asan
  flags=(-DDISCAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}"
cmake --build "$dir" -j8
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j8 --timeout 300
