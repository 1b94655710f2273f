# Sourced after xvfb_session.sh by the scripts in which a test player announces a web radio's
# song to the program in a real window: a private session bus with the player on it, a take
# recorded while the player announces, and the song selected and saved under the name Save As
# offers, its tags read back with ffprobe.

# Why the player cannot be tried here, or nothing.
player_bus_unavailable() {
  local tool
  for tool in dbus-daemon sox ffprobe; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; return; }
  done
  /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || echo "python3-dbus is not installed"
}

# Two songs of tone between pauses, 20 s in all, for the simulated card to loop: the 440 Hz
# one of 10 s after a pause of 1 s, the 660 Hz one of 9 s.
make_two_songs() {
  sox -n -r 44100 -b 16 -c 2 "$work/first.wav" synth 10 sine 440 vol 0.4 pad 1 1
  sox -n -r 44100 -b 16 -c 2 "$work/second.wav" synth 9 sine 660 vol 0.4 pad 0 1
  sox "$work/first.wav" "$work/second.wav" "$1"
  chmod 644 "$1"
}

# Starts a session bus with its socket in DIR and the test player FAKE_PLAYER on it, stopped,
# both run through the command words that follow (none: as this shell's user). Sets
# $player_bus to the bus's address and opens the player's control pipe as descriptor 5.
start_player_bus() {
  local dir=$1 fake_player=$2
  shift 2
  "$@" dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" 2>"$work/bus.log" &
  helper_pids="$helper_pids $!"
  for _ in $(seq 100); do [ -S "$dir/bus" ] && break; sleep 0.1; done
  [ -S "$dir/bus" ] || fail "the session bus did not start: $(cat "$work/bus.log")"
  player_bus=unix:path=$dir/bus
  # The player opens its pipe for writing too, whoever it runs as.
  mkfifo -m 666 "$dir/control"
  "$@" env DBUS_SESSION_BUS_ADDRESS="$player_bus" /usr/bin/python3 "$fake_player" --name vlc \
    --control "$dir/control" --status Stopped >"$work/player.log" 2>&1 &
  helper_pids="$helper_pids $!"
  for _ in $(seq 100); do grep -q ready "$work/player.log" && break; sleep 0.1; done
  grep -q ready "$work/player.log" || fail "the test player did not start: $(cat "$work/player.log")"
  exec 5<>"$dir/control"
}

# Records about 22 s of the card's two songs at four times real time while the player announces
# a song the way VLC passes a stream's title on (the station in the title, the song in
# vlc:nowplaying), then stops and waits for the turn of the ring.
record_while_announcing() {
  keys_to "$1" F6
  sleep 0.5
  echo '{"status": "Playing", "metadata": {"xesam:title": "Radio Test", "vlc:nowplaying": "Test Artist - Test Song", "xesam:album": "Test Album"}}' >&5
  for _ in $(seq 50); do grep -q 'announced 1' "$work/player.log" && break; sleep 0.1; done
  grep -q 'announced 1' "$work/player.log" || fail "the test player did not announce"
  sleep 4.5
  keys_to "$1" F7
  visible_window '^Please wait' >/dev/null
  until_gone '^Please wait'
}

# Selects the song, saves it under the name Save As offers in the program's working folder
# (given), and checks that the MP3 carries the announced song's tags.
save_announced_song() {
  local main=$1 dialog box mp3="$2/Test Artist - Test Song.mp3" tags
  keys_to "$main" ctrl+l
  sleep 1
  if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "Select Song found no song"; fi
  shot song-selected
  keys_to "$main" alt+f s
  dialog=$(visible_window '^Save as$')
  shot save-as-offer
  keys_to "$dialog" Return
  until_gone '^Save as$'
  box=$(visible_window '^Quorvel$')
  keys_to "$box" Return
  until_gone '^Quorvel$'
  wait_for_title "$main" "Dravenna - $mp3"
  exit_program "$main"
  tags=$(ffprobe -v error -show_entries format_tags=title,artist,album -of default=nw=1 "$mp3")
  [ "$(sort <<<"$tags")" = $'TAG:album=Test Album\nTAG:artist=Test Artist\nTAG:title=Test Song' ] ||
    fail "the MP3's tags are: $tags"
}
