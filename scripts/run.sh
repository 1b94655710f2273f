#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and starts the editor.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
exec build/bin/quorvel "$@"
