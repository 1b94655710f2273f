# The input source menu in a real window, over a private PulseAudio with two null sinks,
# Speakers and Headphones, whose default source is what Headphones plays. The user chooses
# "What Speakers plays" in Control > Input Source...: the meter's tool tip names it, and the next
# start keeps it, checked in the menu and named in the tool tip. Then a recording made while a
# player plays a counter pattern into Speakers, saved as WAV, holds that pattern frame for frame.
#
# Sourced after xvfb_session.sh by a script that defines:
#   $home, $settings   the user's home (the run's files go there) and the program's settings file
#   as_user VAR=value... COMMAND...   runs a command as the user who runs the program
#   start_program VAR=value...        starts the program in the background as that user, its
#                                     output in $work/quorvel.log, and sets $program_pid
# source_menu_run PULSE_TOOL (the private_pulse_server program) does the run; before it,
# source_menu_unavailable says why it cannot happen here, if it cannot.

counter_frames=88200
# The middle of the level meter, in the main window.
meter_x=545 meter_y=30

# Starts the user's own PulseAudio; sets $pulse_address. The helper that runs it is started
# through as_user, so it says its own process id, for the clean-up.
start_private_pulse() {
  local starter
  mkdir -p "$home/pulse"
  as_user "$1" "$home/pulse" Speakers Headphones >"$work/pulse.out" 2>&1 &
  starter=$!
  for _ in $(seq 200); do
    pulse_address=$(sed -n 's/^PULSE_SERVER=//p' "$work/pulse.out")
    if [ -n "$pulse_address" ]; then
      helper_pids="$helper_pids $(sed -n 's/^PID=//p' "$work/pulse.out")"
      return 0
    fi
    kill -0 "$starter" 2>/dev/null || break
    sleep 0.1
  done
  fail "the private PulseAudio did not start: $(cat "$work/pulse.out")"
}

pulse_client() {
  as_user PULSE_SERVER="$pulse_address" "$@"
}

# Frames numbered 1 to $counter_frames, each number split over the two channels (low half left),
# with half a second of silence before and after. The server does not pass on to an output's
# monitor the first moments that a new player plays (the output rewinds to start the player at
# once, and what its monitor has already handed out cannot be taken back); and the player ends
# once the output has played its last frame, which the monitor may hand out a moment later.
write_counter_wav() {
  python3 - "$1" "$counter_frames" <<'PYTHON'
import struct, sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(44100)
    count = int(sys.argv[2])
    silence = bytes(22050 * 4)
    out.writeframes(silence + struct.pack("<%dI" % count, *range(1, count + 1)) + silence)
PYTHON
}

# Prints the first and the last number of the counter in a WAV file, and how often a frame does
# not follow the one before it (silence before and after the run does not count).
counter_run() {
  python3 - "$1" <<'PYTHON'
import struct, sys, wave
with wave.open(sys.argv[1], "rb") as take:
    frames = take.readframes(take.getnframes())
numbers = [n for n in struct.unpack("<%dI" % (len(frames) // 4), frames) if n]
breaks = sum(1 for a, b in zip(numbers, numbers[1:]) if b != a + 1)
print(numbers[0] if numbers else 0, numbers[-1] if numbers else 0, breaks)
PYTHON
}

# Saves a picture of a window once it has been drawn: two pictures in a row are the same.
steady_picture() {
  import -window "$1" "$work/$2.png"
  for _ in $(seq 20); do
    sleep 0.1
    import -window "$1" "$work/$2-again.png"
    same_picture "$2" "$2-again" && return 0
    mv "$work/$2-again.png" "$work/$2.png"
  done
  fail "the window $1 keeps changing"
}

# The program's visible windows other than the given ones, such as a menu or a tool tip (those
# have no title that xdotool's --name reads).
other_windows() {
  xdotool search --onlyvisible --class '^quorvel$' 2>/dev/null | grep -vxF -f <(printf '%s\n' "$@") || true
}

# Waits up to 20 s for a visible window of the program other than the given ones; prints its id.
other_window() {
  first_line_printed other_windows "$@" || fail "no window opened beside $*"
}

# Waits up to 20 s until the program shows no window but the given ones.
only_windows() {
  for _ in $(seq 200); do
    [ -z "$(other_windows "$@")" ] && return 0
    sleep 0.1
  done
  fail "windows $(other_windows "$@" | tr '\n' ' ')stay open beside $*"
}

# Saves a picture of the meter's tool tip, shown by the pointer resting on the meter (it is
# nudged when no tip shows within 2 s: a move the toolkit has not taken as one inside the meter
# shows none, and each move starts the wait for the tip again), then moves the pointer away so
# that the tip goes. Tips show only in the active window.
picture_tool_tip() {
  local tip=""
  focus_window "$1"
  for nudge in $(seq 10); do
    xdotool mousemove --window "$1" $((meter_x + nudge % 2)) "$meter_y"
    for _ in $(seq 20); do
      sleep 0.1
      tip=$(other_windows "$1" | head -1)
      [ -n "$tip" ] && break 2
    done
  done
  [ -n "$tip" ] || fail "the meter shows no tool tip"
  steady_picture "$tip" "$2"
  shot "$2"
  xdotool mousemove 1279 799
  only_windows "$1"
}

# Opens Control > Input Source... and saves a picture of the menu; then presses the given keys
# in it (the keys start on the checked item: Down moves to the next, Return picks it, Escape
# closes the menu).
in_source_menu() {
  local control menu
  keys_to "$1" alt+c
  control=$(other_window "$1")
  xdotool key i
  # The Control menu closes before its command opens the source menu.
  menu=$(other_window "$1" "$control")
  steady_picture "$menu" "$2"
  shot "$2"
  xdotool key --delay 50 "${@:3}"
  only_windows "$1"
}

# Waits up to 20 s until the program's recording stream is connected to the server, so that a
# player started then is heard from its first frame.
recording_stream_connected() {
  for _ in $(seq 400); do
    [ -n "$(pulse_client pactl list short source-outputs)" ] && return 0
    sleep 0.05
  done
  fail "Record connected no recording stream"
}

same_picture() {
  [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]
}

source_menu_unavailable() {
  command -v pulseaudio >/dev/null || echo "pulseaudio is not installed (scripts/install-deps.sh installs it)"
}

source_menu_run() {
  local main dialog pressed connected_ms take first last breaks
  start_private_pulse "$1"
  pulse_client pactl set-default-source Headphones.monitor || fail "pactl set-default-source"
  write_counter_wav "$home/counter.wav"

  start_program PULSE_SERVER="$pulse_address" BRENVIK_AUDIO=pulse
  main=$(start_up)
  picture_tool_tip "$main" tip-default
  in_source_menu "$main" menu-default Down Return
  picture_tool_tip "$main" tip-chosen
  same_picture tip-default tip-chosen && fail "the meter's tool tip still names the default input"
  in_source_menu "$main" menu-chosen Escape
  same_picture menu-default menu-chosen && fail "the menu still checks the default input"
  exit_program "$main"
  grep -qx 'Source=Speakers.monitor' "$settings" || fail "the choice was not stored: $(cat "$settings")"

  start_program PULSE_SERVER="$pulse_address" BRENVIK_AUDIO=pulse
  main=$(start_up)
  picture_tool_tip "$main" tip-restarted
  same_picture tip-chosen tip-restarted || fail "after a new start the tool tip names another source"
  in_source_menu "$main" menu-restarted Escape
  same_picture menu-chosen menu-restarted || fail "after a new start the menu checks another source"

  keys_to "$main" F6
  pressed=$(date +%s%N)
  recording_stream_connected
  connected_ms=$((($(date +%s%N) - pressed) / 1000000))
  pulse_client paplay --device=Speakers --latency-msec=200 "$home/counter.wav" || fail "paplay"
  keys_to "$main" F7
  visible_window '^Please wait' >/dev/null
  until_gone '^Please wait'
  shot recorded
  take=$home/take.wav
  keys_to "$main" alt+f s
  dialog=$(visible_window '^Save as$')
  keys_to "$dialog" ctrl+a
  type_to "$dialog" "$take"
  keys_to "$dialog" Return
  until_gone '^Save as$'
  wait_for_title "$main" "Dravenna - $take"
  exit_program "$main"

  read -r first last breaks <<<"$(counter_run "$take")"
  [ "$breaks" -eq 0 ] && [ "$first" -eq 1 ] && [ "$last" -eq "$counter_frames" ] ||
    fail "the recording holds the player's frames $first to $last with $breaks breaks, not 1 to $counter_frames"
  echo "source menu: chosen, kept by a new start; the recording stream was connected ${connected_ms} ms" \
    "after Record; it holds all $counter_frames frames played, in order"
}
