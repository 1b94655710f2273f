#!/usr/bin/env bash
# The take survives the program in a real window under Xvfb. For each way a recording ends (kill
# -9, SIGTERM, SIGHUP while it records; Stop and File > Exit without a save) the program is
# started again: it asks about the take before the project settings, Yes shows it, and the take
# saved as WAV is one unbroken oldest-first run of the simulated card's counter that ends where
# the take file said the recording had come, at most one step of the card short of the newest
# frame written. Then a take declined with No is removed and not asked about again.
#
# Usage: take_recovery_xvfb.sh BIN_DIR [SCREENSHOT_DIR]
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
shots=${2:-}

source "$(dirname "$0")/../support/xvfb_session.sh"

use_private_home
mkdir -p "$work/takes"
printf '[Defaults]\nMemory=262144\n' >"$XDG_CONFIG_HOME/Quorvel/Quorvel.conf"
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=8
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM
take_folder=$XDG_STATE_HOME/quorvel
# The most frames the simulated card writes in one step at this speed: a few periods.
one_step=$((441 * 8))

start_program() {
  "$bin_dir/quorvel" >"$work/quorvel.log" 2>&1 &
  program_pid=$!
}

# The one take file's frames recorded (from its header) and the newest counter its ring holds.
take_file_figures() {
  python3 - "$take_folder"/take-*.ring <<'PYTHON'
import array, struct, sys
with open(sys.argv[1], "rb") as take:
    header = take.read(4096)
    ring = array.array("I", take.read())
length, = struct.unpack_from("<i", header, 16)
recorded, = struct.unpack_from("<q", header, 32)
print(recorded, max(ring), length)
PYTHON
}

# Waits up to 20 s until the take file's header says the ring has wrapped and then some.
until_wrapped() {
  local recorded length
  for _ in $(seq 200); do
    read -r recorded _ length <<<"$(take_file_figures)"
    [ "$recorded" -gt $((length + length / 4)) ] && return 0
    sleep 0.1
  done
  fail "the take file says $recorded frames recorded: the ring did not wrap"
}

# Records until the ring has wrapped, then ends the program as $1 says: a signal name, or
# "exit" for Stop and File > Exit.
record_and_end() {
  local main
  start_program
  main=$(start_up)
  keys_to "$main" F6
  until_wrapped
  if [ "$1" = exit ]; then
    keys_to "$main" F7
    visible_window '^Please wait' >/dev/null
    until_gone '^Please wait'
    exit_program "$main"
  else
    kill -s "$1" "$program_pid"
    { wait "$program_pid"; } 2>/dev/null || true
    program_pid=""
  fi
}

# Starts the program, which asks about the take first; answers with the key $1 (y or n).
answer_the_question() {
  local box
  start_program
  box=$(visible_window '^Quorvel$')
  if xdotool search --onlyvisible --name '^Project Settings$' >/dev/null 2>&1; then
    fail "the project settings came before the question"
  fi
  shot "question-$2"
  keys_to "$box" "alt+$1"
  until_gone '^Quorvel$'
}

# The WAV's frames as one run: prints its last counter, or fails naming the break.
last_of_one_run() {
  od -An -v -t u2 -j 44 -w4 "$1" | awk -v name="$1" '
    { n = $2 * 65536 + $1 }
    NR > 1 && n != last + 1 { print "break in " name " at frame " NR - 1 ": " last " then " n > "/dev/stderr"; exit 1 }
    { last = n }
    END { print last }'
}

for ending in KILL TERM HUP exit; do
  record_and_end "$ending"
  read -r recorded newest length <<<"$(take_file_figures)"
  [ "$length" -eq 262144 ] || fail "$ending: the take file holds a track of $length frames"

  answer_the_question y "$ending"
  main=$(visible_window '^Dravenna')
  wait_for_title "$main" "Dravenna - "
  until_shows "$main" 239,96,64 600
  shot "recovered-$ending"
  wav=$work/takes/$ending.wav
  keys_to "$main" alt+f s
  choose_file 'Save as' "$wav"
  wait_for_title "$main" "Dravenna - $wav"
  exit_program "$main"

  # Save As writes the selection the start left, all but the take's last two frames.
  last=$(last_of_one_run "$wav") || fail "$ending: the recovered take is not one oldest-first run"
  last=$((last + 2))
  if [ "$ending" = exit ]; then
    [ "$last" -eq "$newest" ] || fail "exit: the take ends at $last, the ring's newest is $newest"
  else
    [ $((last + 1)) -eq "$recorded" ] || fail "$ending: the take ends at $last, the file said $recorded frames"
    [ $((newest - last)) -le "$one_step" ] || fail "$ending: the take ends at $last, $((newest - last)) frames short of the newest"
  fi
done

# Saved, the last take is not asked about: the next start shows the project settings at once.
# A take declined is removed, and the start after that does not ask either.
record_and_end KILL
answer_the_question n declined
main=$(start_up)
exit_program "$main"
start_program
main=$(start_up)
exit_program "$main"
[ "$(ls "$take_folder")" = take-1.ring ] || fail "the take folder holds $(ls "$take_folder")"

echo "PASS: killed, terminated, hung up and exited unsaved, each take came back as one run"
