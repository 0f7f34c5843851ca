#!/usr/bin/env bash
# Installs what is missing, builds, installs the program for this user and starts
# the installed program, whose folder holds the collection.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j8
prefix=$HOME/.local
cmake --install build --prefix "$prefix"
exec "$prefix/bin/records"
