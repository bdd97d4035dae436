#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [[ ! -x build/orvalis-pro ]]; then
    echo "The engine is built; the main window is not there yet, so there is nothing to start."
    exit 0
fi
exec build/orvalis-pro "$@"
