#!/usr/bin/env bash
# The program in a real window under Xvfb, driven by keys as a user drives it: accept the
# settings, record until the ring has wrapped, stop, save the take as WAV and as MP3, open the
# WAV again, read the About box and exit. Then the files are checked.
#
# Usage: file_commands_xvfb.sh BIN_DIR [SCREENSHOT_DIR]
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
shots=${2:-}

source "$(dirname "$0")/../support/xvfb_session.sh"

# Photographs the message box that the last command showed, then presses its OK.
accept_message() {
  local box
  box=$(visible_window '^Quorvel$')
  shot "$1"
  keys_to "$box" Return
  until_gone '^Quorvel$'
}

# One megabyte of track is about six seconds, so a few seconds at eight times real time wrap it.
use_private_home
mkdir -p "$work/takes"
printf '[Defaults]\nMemory=262144\n' >"$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=8
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM
track_frames=262144

"$bin_dir/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!

main=$(start_up)
keys_to "$main" F6
# The view draws the ring as it fills: the ramp's line in every column once it has wrapped.
until_shows "$main" 239,96,64 600
shot 2-recording
keys_to "$main" F7
# The ring is turned under the busy window; once it has gone the command is done and the
# controls are unlocked. The view shows the take, the simulated card's slow ramp drawn as a
# line in red XOR'd with the selection, in every column.
visible_window '^Please wait' >/dev/null
until_gone '^Please wait'
until_shows "$main" 239,96,64 600
shot 3-recorded

wav=$work/takes/take.wav
keys_to "$main" alt+f s
choose_file 'Save as' "$wav"
wait_for_title "$main" "Dravenna - $wav"

mp3=$work/takes/take.mp3
keys_to "$main" alt+f s
choose_file 'Save as' "$mp3"
accept_message 4-mp3-saved
wait_for_title "$main" "Dravenna - $mp3"

keys_to "$main" ctrl+o
choose_file 'Open' "$wav"
wait_for_title "$main" "Dravenna - $wav"
if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "opening the saved WAV showed a message"; fi
shot 5-opened

keys_to "$main" alt+h a
accept_message 6-about

exit_program "$main"

# The WAV holds the whole selection the recording left, frames 0 to the track length - 2.
expected_wav_bytes=$((44 + (track_frames - 2) * 4))
[ "$(stat -c %s "$wav")" -eq "$expected_wav_bytes" ] || fail "WAV is $(stat -c %s "$wav") bytes, not $expected_wav_bytes"
[ "$(head -c 4 "$wav")" = RIFF ] && [ "$(dd if="$wav" bs=1 skip=8 count=8 status=none)" = "WAVEfmt " ] ||
  fail "WAV header"
read -r channels rate <<<"$(od -An -t u2 -j 22 -N 2 "$wav") $(od -An -t u4 -j 24 -N 4 "$wav")"
[ "$channels" -eq 2 ] && [ "$rate" -eq 44100 ] || fail "WAV format: $channels channels at $rate"

# The simulated card records its frame count n as (n & 0xFFFF, n >> 16): after a wrap and the
# turn of the ring the file starts with a frame recorded after the first pass, oldest first.
# Every frame follows the one before it, with no seam where the ring was turned.
seam=$(od -An -v -t u2 -j 44 -w4 "$wav" | awk '
  { n = $2 * 65536 + $1 }
  NR == 1 { first = n }
  NR > 1 && n != last + 1 { print "frame " NR - 1 ": " last " then " n; exit }
  { last = n }
  END { if (first == 0) print "frame 0 is 0: the ring never wrapped" }')
[ -z "$seam" ] || fail "WAV frames are not one oldest-first run: $seam"

# Closing stored the track length.
grep -qx 'Memory=262144' "$XDG_CONFIG_HOME/Quorvel/Quorvel.conf" || fail "the setting was not stored"

[ "$(stat -c %s "$mp3")" -gt 100000 ] || fail "MP3 is only $(stat -c %s "$mp3") bytes"
read -r sync0 sync1 <<<"$(od -An -t u1 -N 2 "$mp3")"
[ "$sync0" -eq 255 ] && [ $((sync1 & 0xE0)) -eq 224 ] || fail "MP3 does not start with a frame header"

echo "PASS: recorded, saved $(stat -c %s "$wav") bytes of WAV and $(stat -c %s "$mp3") of MP3, opened again"
