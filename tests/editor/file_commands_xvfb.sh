#!/usr/bin/env bash
# The program in a real window under Xvfb, driven by keys as a user drives it: accept the
# settings, record until the ring has wrapped, stop, save the take as WAV and as MP3, open the
# WAV again, read the About box and exit. Then the files are checked.
#
# Usage: file_commands_xvfb.sh BIN_DIR [SCREENSHOT_DIR]
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
shots=${2:-}

for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

if [ -z "${QUORVEL_XVFB_DISPLAY_READY:-}" ]; then
  exec env QUORVEL_XVFB_DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-xvfb-XXXXXX")
program_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  shot failure
  exit 1
}

shot() {
  if [ -n "$shots" ] && command -v import >/dev/null; then
    mkdir -p "$shots"
    import -window root "$shots/$1.png"
  fi
}

# Waits up to 20 s for a visible window whose title matches the pattern; prints its id.
visible_window() {
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  fail "no window titled $1"
}

# Waits up to 20 s until no visible window's title matches the pattern.
until_gone() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $1 stays open"
}

# There is no window manager, so nothing gets the focus unless it is given.
keys_to() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window"
  xdotool key --delay 50 "$@"
}

# Types a path into the focused file dialog's name box and presses OK.
choose_file() {
  local dialog
  dialog=$(visible_window "^$1\$")
  keys_to "$dialog" ctrl+a
  xdotool type --delay 5 "$2"
  xdotool key Return
  until_gone "^$1\$"
}

# Photographs the message box that the last command showed, then presses its OK.
accept_message() {
  local box
  box=$(visible_window '^Quorvel$')
  shot "$1"
  keys_to "$box" Return
  until_gone '^Quorvel$'
}

# Waits up to 20 s until the main window's title is the expected one.
wait_for_title() {
  for _ in $(seq 200); do
    [ "$(xdotool getwindowname "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the title is \"$(xdotool getwindowname "$1")\", not \"$2\""
}

# A private home: the settings, the log and the files written stay in the work directory. One
# megabyte of track is about six seconds, so a few seconds at eight times real time wrap it.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/state
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/Quorvel" "$XDG_RUNTIME_DIR" "$work/takes"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[Defaults]\nMemory=262144\n' >"$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=8
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM
track_frames=262144

"$bin_dir/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!

settings=$(visible_window '^Project Settings$')
shot 1-settings
keys_to "$settings" Return
until_gone '^Project Settings$'
# The start-up ends with the title; keys pressed before that would reach a closed engine.
main=$(visible_window '^Dravenna')
wait_for_title "$main" "Dravenna - "
until_gone '^Please wait'
keys_to "$main" F6
sleep 3
shot 2-recording
keys_to "$main" F7
# The ring is turned under the busy window; the view is redrawn before it goes.
visible_window '^Please wait' >/dev/null
until_gone '^Please wait'
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

keys_to "$main" alt+f x
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not exit"
wait "$program_pid" || fail "the program exited with $? ($(cat "$work/quorvel.log"))"
program_pid=""

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
