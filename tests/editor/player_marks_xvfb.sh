#!/usr/bin/env bash
# The program in a real window under Xvfb with a test player on a private session bus: record
# while the player announces a stream title, stop, rest the pointer on the title's mark, select
# the song, and save it under the name Save As offers. Then the MP3's tags are read back with
# ffprobe: they are what the player announced.
#
# Usage: player_marks_xvfb.sh BIN_DIR FAKE_PLAYER [SCREENSHOT_DIR]
# Exits 77 (skipped) when Xvfb, xdotool, dbus-daemon, sox, ffprobe or python3-dbus is missing.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
fake_player=$2
shots=${3:-}

source "$(dirname "$0")/../support/xvfb_session.sh"
source "$(dirname "$0")/../support/player_bus.sh"
skipped=$(player_bus_unavailable)
[ -z "$skipped" ] || { echo "SKIP: $skipped"; exit 77; }

# Four megabytes of track, 23.8 s; the card plays a loop of two songs of tone between pauses.
use_private_home
mkdir -p "$work/takes"
printf '[Defaults]\nMemory=1048576\n' >"$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
make_two_songs "$work/input.wav"
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=4 BRENVIK_SIM_INPUT=$work/input.wav
unset BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM

start_player_bus "$work" "$fake_player"
export DBUS_SESSION_BUS_ADDRESS=$player_bus

# A program run from a folder it may write to works there: a copy in the scratch directory saves
# there what Save As offers, and nothing lands in the build tree.
cp "$bin_dir/quorvel" "$bin_dir/libbrenvik.so" "$bin_dir/libbladeenc.so" "$work/takes/"
"$work/takes/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!

main=$(start_up)
record_while_announcing "$main"

# The mark: a yellow tick at the top of the view, XOR'd with the whole track's selection.
mark=$(import -window "$main" ppm:- | convert ppm:- -depth 8 txt:- |
  awk -F'[,: ]+' '!found && /\((239,159,64|255,255,0)\)/ { print $1, $2; found = 1 }')
[ -n "$mark" ] || fail "no title mark on the view"
read -r mark_x mark_y <<<"$mark"
xdotool mousemove --window "$main" "$mark_x" "$((mark_y + 6))"
sleep 0.3
xdotool mousemove --window "$main" "$((mark_x + 1))" "$((mark_y + 6))"
sleep 2
shot title-mark-tooltip

save_announced_song "$main" "$work/takes"
echo "PASS: the mark at column $mark_x named the song; the MP3 saved under its name carries its tags"
