# Sourced by the scripts that drive the real program in a window: it starts an Xvfb server of
# the script's own, gives the script a scratch directory ($work) that is removed at the end
# (with the program, $program_pid, the helpers in $helper_pids and the server, if still running),
# and the helpers below.
# The caller may set $shots to a directory for screenshots. Exits 77 (skipped) when Xvfb,
# xdotool or ImageMagick (import, convert) is missing.

# A failure inside $(...) ends the script too, not only the substitution's subshell.
shopt -s inherit_errexit

for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-xvfb-XXXXXX")
program_pid=""
helper_pids=""
server_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid"; fi
  # A helper may be no child of this shell (started through another program), so its end is
  # awaited by polling, bounded.
  for pid in $helper_pids; do
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  done
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and reports its number (-displayfd), so servers that
# start at the same moment, in parallel tests, never race for one. It is private to the script
# and has no access control; an empty authority file keeps clients from looking elsewhere. It
# does not reset when its last client goes, so a program started again right after one was
# killed finds it ready.
start_x_server() {
  local number=""
  mkfifo "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  server_pid=$!
  read -r -t 20 number <"$work/display" || true
  if [ -z "$number" ]; then
    echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
  fi
  export DISPLAY=":$number" XAUTHORITY=$work/Xauthority
  : >"$XAUTHORITY"
}
start_x_server

# Says what failed, whether the program still runs and what it printed, then ends the script.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "$program_pid" ]; then
    if kill -0 "$program_pid" 2>/dev/null; then echo "the program still runs" >&2; else echo "the program has ended" >&2; fi
    [ -s "$work/quorvel.log" ] && sed 's/^/quorvel: /' "$work/quorvel.log" >&2
  fi
  shot failure
  exit 1
}

shot() {
  if [ -n "${shots:-}" ] && command -v import >/dev/null; then
    mkdir -p "$shots"
    import -window root "$shots/$1.png"
  fi
}

# A private home: the settings, the log and any files written stay in the scratch directory.
use_private_home() {
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/state
  export XDG_RUNTIME_DIR=$work/run
  mkdir -p "$XDG_CONFIG_HOME/Quorvel" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

# Runs a command every 0.1 s, for up to 20 s, until it prints a line; prints that line, or
# returns 1.
first_line_printed() {
  local line
  for _ in $(seq 200); do
    line=$("$@" 2>/dev/null | head -1 || true)
    if [ -n "$line" ]; then echo "$line"; return 0; fi
    sleep 0.1
  done
  return 1
}

# Waits up to 20 s for a visible window whose title matches the pattern; prints its id.
visible_window() {
  first_line_printed xdotool search --onlyvisible --name "$1" || fail "no window titled $1"
}

# Waits up to 20 s until no visible window's title matches the pattern.
until_gone() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $1 stays open"
}

# There is no window manager, so nothing gets the focus unless it is given. Keys and text go to
# one window by its id, typed only once the X server reports that window focused. They go through
# the server's test keyboard like real keys: xdotool's key --window (also its default inside a
# command chain) sends each event one way or another depending on where the focus is at that
# moment, so a key that opens a dialog could be left down in the server.
focus_window() {
  timeout 20 xdotool windowfocus --sync "$1"
  for _ in $(seq 50); do
    [ "$(xdotool getwindowfocus)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "window $1 does not take the focus"
}

keys_to() {
  focus_window "$1"
  xdotool key --delay 50 "${@:2}"
}

type_to() {
  focus_window "$1"
  xdotool type --delay 5 "$2"
}

# How many pixels of a colour ("r,g,b") a window shows, read from the X server.
pixels_of() {
  import -window "$1" ppm:- |
    convert ppm:- -fill black +opaque "rgb($2)" -fill white -opaque "rgb($2)" -format '%[fx:int(mean*w*h+0.5)]' info:
}

# Waits up to 20 s until the window shows at least the given number of pixels of a colour:
# the outcome of a command that the program draws once it is done.
until_shows() {
  local count=0
  for _ in $(seq 100); do
    count=$(pixels_of "$1" "$2")
    [ "$count" -ge "$3" ] && return 0
    sleep 0.2
  done
  fail "the window shows $count pixels of rgb($2), not $3"
}

# Waits up to 20 s until the main window's title is the expected one.
wait_for_title() {
  for _ in $(seq 200); do
    [ "$(xdotool getwindowname "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the title is \"$(xdotool getwindowname "$1")\", not \"$2\""
}

# The selection's colour; start-up selects the whole track, which then covers the view
# (649 x 128 visible pixels, less the ticks and centre lines).
selection_colour=16,96,64
whole_view_selected=60000

# Accepts the settings dialog and waits until start-up has opened the engine and drawn the
# track with the whole of it selected (keys pressed before that would reach a closed engine);
# prints the main window's id.
start_up() {
  local settings main
  settings=$(visible_window '^Project Settings$')
  shot start-settings
  keys_to "$settings" Return
  until_gone '^Project Settings$'
  main=$(visible_window '^Dravenna')
  wait_for_title "$main" "Dravenna - "
  until_shows "$main" "$selection_colour" "$whole_view_selected"
  echo "$main"
}

# Types a path into the file dialog's name box, which has the focus, and presses OK.
choose_file() {
  local dialog
  dialog=$(visible_window "^$1\$")
  keys_to "$dialog" ctrl+a
  type_to "$dialog" "$2"
  keys_to "$dialog" Return
  until_gone "^$1\$"
}

# Closes the program with File > Exit and waits up to 10 s for it to end with status 0.
exit_program() {
  keys_to "$1" alt+f x
  for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$program_pid" 2>/dev/null && fail "the program did not exit"
  wait "$program_pid" || fail "the program exited with $? ($(cat "$work/quorvel.log"))"
  program_pid=""
}
