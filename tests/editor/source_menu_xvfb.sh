#!/usr/bin/env bash
# The input source menu in a real window with the program of this build tree: choose, start
# again, the choice is kept, and a recording holds what the chosen output played (see
# tests/support/source_menu_run.sh).
#
# Usage: source_menu_xvfb.sh BIN_DIR PULSE_TOOL [SCREENSHOT_DIR]
# Exits 77 (skipped) when Xvfb, xdotool or PulseAudio is missing.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
shots=${3:-}

source "$(dirname "$0")/../support/xvfb_session.sh"
source "$(dirname "$0")/../support/source_menu_run.sh"

use_private_home
home=$HOME
settings=$XDG_CONFIG_HOME/Quorvel/Quorvel.conf
printf '[Defaults]\nMemory=262144\n' >"$settings"
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM PULSE_SERVER

as_user() {
  env "$@"
}

start_program() {
  env "$@" "$bin_dir/quorvel" >"$work/quorvel.log" 2>&1 &
  program_pid=$!
}

unavailable=$(source_menu_unavailable)
if [ -n "$unavailable" ]; then
  echo "SKIP: $unavailable"
  exit 77
fi
source_menu_run "$2"
