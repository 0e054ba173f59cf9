#!/usr/bin/env bash
# Installs what is missing, builds Brindle and starts it. Arguments go to the
# program, e.g. ./run.sh --simulator
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target brindle
exec build/app/brindle "$@"
