#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and starts the editor.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
# Only the program and its two libraries: the tests and benchmarks are built by scripts/test.sh.
cmake --build build -j "$(nproc)" --target quorvel brenvik bladeenc
exec build/bin/quorvel "$@"
