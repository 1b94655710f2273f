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

for tool in dbus-daemon sox ffprobe; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus is not installed"; exit 77; }

source "$(dirname "$0")/../support/xvfb_session.sh"

# Four megabytes of track, 23.8 s; the card plays a loop of two songs of tone between pauses.
use_private_home
mkdir -p "$work/takes"
printf '[Defaults]\nMemory=1048576\n' >"$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
sox -n -r 44100 -b 16 -c 2 "$work/first.wav" synth 10 sine 440 vol 0.4 pad 1 1
sox -n -r 44100 -b 16 -c 2 "$work/second.wav" synth 9 sine 660 vol 0.4 pad 0 1
sox "$work/first.wav" "$work/second.wav" "$work/input.wav"
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=4 BRENVIK_SIM_INPUT=$work/input.wav
unset BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM

dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" 2>"$work/bus.log" &
helper_pids="$helper_pids $!"
for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus

mkfifo "$work/control"
/usr/bin/python3 "$fake_player" --name vlc --control "$work/control" --status Stopped \
  >"$work/player.log" 2>&1 &
helper_pids="$helper_pids $!"
for _ in $(seq 100); do grep -q ready "$work/player.log" && break; sleep 0.1; done
grep -q ready "$work/player.log" || fail "the test player did not start: $(cat "$work/player.log")"
exec 5<>"$work/control"

# A program run from a folder it may write to works there: a copy in the scratch directory saves
# there what Save As offers, and nothing lands in the build tree.
cp "$bin_dir/quorvel" "$bin_dir/libbrenvik.so" "$bin_dir/libbladeenc.so" "$work/takes/"
"$work/takes/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!

main=$(start_up)
keys_to "$main" F6
sleep 0.5
# The way VLC passes a stream's title on: the station in the title, the song in vlc:nowplaying.
echo '{"status": "Playing", "metadata": {"xesam:title": "Radio Test", "vlc:nowplaying": "Test Artist - Test Song", "xesam:album": "Test Album"}}' >&5
for _ in $(seq 50); do grep -q 'announced 1' "$work/player.log" && break; sleep 0.1; done
grep -q 'announced 1' "$work/player.log" || fail "the test player did not announce"
sleep 4.5
keys_to "$main" F7
visible_window '^Please wait' >/dev/null
until_gone '^Please wait'

# The mark: a yellow tick at the top of the view, XOR'd with the whole track's selection.
mark=$(import -window "$main" ppm:- | convert ppm:- -depth 8 txt:- |
  awk -F'[,: ]+' '!found && /\((239,159,64|255,255,0)\)/ { print $1, $2; found = 1 }')
[ -n "$mark" ] || fail "no title mark on the view"
read -r mark_x mark_y <<<"$mark"
xdotool mousemove --window "$main" "$mark_x" "$((mark_y + 6))"
sleep 0.3
xdotool mousemove --window "$main" "$((mark_x + 1))" "$((mark_y + 6))"
sleep 2
shot 1-title-mark-tooltip

keys_to "$main" ctrl+l
sleep 1
if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "Select Song found no song"; fi
shot 2-song-selected

# Save As offers the song's name in the program's working folder: OK takes it.
keys_to "$main" alt+f s
dialog=$(visible_window '^Save as$')
shot 3-save-as-offer
keys_to "$dialog" Return
until_gone '^Save as$'
box=$(visible_window '^Quorvel$')
keys_to "$box" Return
until_gone '^Quorvel$'
mp3="$work/takes/Test Artist - Test Song.mp3"
wait_for_title "$main" "Dravenna - $mp3"
exit_program "$main"

tags=$(ffprobe -v error -show_entries format_tags=title,artist,album -of default=nw=1 "$mp3")
expected=$'TAG:title=Test Song\nTAG:artist=Test Artist\nTAG:album=Test Album'
[ "$(sort <<<"$tags")" = "$(sort <<<"$expected")" ] || fail "the MP3's tags are: $tags"
echo "PASS: the mark at column $mark_x named the song; $(basename "$mp3") carries its tags"
