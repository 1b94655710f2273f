#!/usr/bin/env bash
# The Debian package, made from this build tree, as a user meets it:
# - it holds the program, both libraries in their private folder, the desktop entry, the icon,
#   the manual page, the copyright file and the changelog, declares the libraries it needs, and
#   lintian finds no error and no warning in it;
# - installed with dpkg into a scratch root that has its own package database, the program runs
#   as an unprivileged user, takes the engine from the package's private folder, and saves a
#   recording typed as a bare name into that user's music folder, or into the home folder when
#   there is none; killed while it records, it offers the take at the next start and saves it;
#   recording while a player on the user's session bus announces a song, it saves the song in a
#   file named and tagged after it;
# - with the user's own PulseAudio, the installed program's Control > Input Source... keeps its
#   choice across a start and records what the chosen output plays (skipped, saying why, when
#   PulseAudio is not installed);
# - removed again, it leaves nothing behind.
# The program run from the build tree still works in its own folder.
#
# Usage: package_test.sh BUILD_DIR
# Exits 77 (skipped) when cpack, dpkg-deb, lintian, Xvfb or xdotool is missing, and after
# the checks of the package itself when it does not run as root (installing and switching user
# need root).
set -euo pipefail

build_dir=$(cd "$1" && pwd)
for tool in cpack dpkg-deb lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

source "$(dirname "$0")/../support/xvfb_session.sh"

(cd "$build_dir" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/package/quorvel_*.deb)

contents=$(dpkg-deb -c "$deb")
for path in usr/bin/quorvel usr/lib/quorvel/libbrenvik.so usr/lib/quorvel/libbladeenc.so \
            usr/share/applications/quorvel.desktop usr/share/icons/hicolor/scalable/apps/quorvel.svg \
            usr/share/man/man1/quorvel.1.gz usr/share/doc/quorvel/copyright usr/share/doc/quorvel/changelog.gz; do
  grep -q " \./$path\$" <<<"$contents" || fail "the package lacks /$path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libportaudio2 libmp3lame0 libqt6widgets6 libfftw3-single3 libtag1v5 libebur128-1; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
done

findings=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$findings" ] || fail "lintian reports:
$findings"
version=$(dpkg-deb -f "$deb" Version)
newest=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/quorvel/changelog.gz | gunzip | head -1)
[[ $newest == "quorvel ($version) "* ]] || fail "the changelog's newest entry is \"$newest\", not version $version"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the package passed lintian; installing it and switching to an unprivileged user need root"
  exit 77
fi

root=$work/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
touch "$admin/status"
scratch_dpkg() {
  dpkg --root="$root" --log="$work/dpkg.log" "$@" >>"$work/dpkg.out" 2>&1 || fail "dpkg $*: $(cat "$work/dpkg.out")"
}
# The scratch database knows none of the libraries, so their dependencies are waived.
scratch_dpkg --force-depends --install "$deb"

# Started from its build tree, the program works in its own folder, as it always has.
use_private_home
export BRENVIK_AUDIO=sim BRENVIK_SIM_SPEED=8
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM
"$build_dir/bin/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!
main=$(start_up)
[ "$(readlink "/proc/$program_pid/cwd")" = "$build_dir/bin" ] ||
  fail "the program run from the build tree works in $(readlink "/proc/$program_pid/cwd")"
exit_program "$main"

# The unprivileged user reaches the scratch directory and the test's own X server, which has no
# access control.
user=nobody
group=$(id -g "$user")
chmod 755 "$work"
chmod 644 "$XAUTHORITY"

# A fresh home of the unprivileged user with a 1 MB track set in the settings folder $config.
prepare_home() {
  home=$work/$1 config=$work/$1/$2
  mkdir -p "$config/Quorvel" "$home/run"
  printf '[Defaults]\nMemory=262144\n' >"$config/Quorvel/Quorvel.conf"
  chmod 700 "$home/run"
}

# Hands $home to the unprivileged user and sets $user_command to the command line that runs a
# program as that user there, with a clean environment plus the variables that follow it.
become_user() {
  chown -R "$user:$group" "$home"
  user_command=(setpriv --reuid="$user" --regid="$group" --clear-groups
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run")
}

as_user() {
  become_user
  "${user_command[@]}" "$@"
}

# Starts the installed program as the unprivileged user in $home, on the simulated card unless
# the given variables say otherwise.
start_as_user() {
  become_user
  "${user_command[@]}" DISPLAY="$DISPLAY" XAUTHORITY="$XAUTHORITY" BRENVIK_AUDIO=sim \
    BRENVIK_SIM_SPEED=8 "$@" "$root/usr/bin/quorvel" >"$work/quorvel.log" 2>&1 &
  program_pid=$!
}

# Checks that the program started cleanly and works in the expected folder; prints the main
# window's id.
started_in() {
  local main
  main=$(start_up)
  if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "start-up showed a message"; fi
  [ "$(readlink "/proc/$program_pid/cwd")" = "$1" ] ||
    fail "the program works in $(readlink "/proc/$program_pid/cwd"), not in $1"
  echo "$main"
}

# Records for a moment, stops, and saves the take under the name typed into Save As.
record_and_save_as() {
  local main=$1 dialog
  keys_to "$main" F6
  sleep 1
  keys_to "$main" F7
  visible_window '^Please wait' >/dev/null
  until_gone '^Please wait'
  keys_to "$main" alt+f s
  dialog=$(visible_window '^Save as$')
  keys_to "$dialog" ctrl+a
  type_to "$dialog" "$2"
  keys_to "$dialog" Return
  until_gone '^Save as$'
}

# Waits up to 20 s for the title that names the saved WAV file. A WAV save answers only when
# it fails, so a message box is a failure.
wav_saved_as() {
  for _ in $(seq 200); do
    [ "$(xdotool getwindowname "$main")" = "Dravenna - $1" ] && return 0
    if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "saving $1 showed a message"; fi
    sleep 0.1
  done
  fail "the title is \"$(xdotool getwindowname "$main")\", not \"Dravenna - $1\""
}

# With a music folder named in user-dirs.dirs (in a settings folder of its own), a WAV file
# typed without a directory or an extension lands there.
prepare_home with-music settings
mkdir "$home/Songs"
echo 'XDG_MUSIC_DIR="$HOME/Songs"' >"$config/user-dirs.dirs"
start_as_user XDG_CONFIG_HOME="$config"
main=$(started_in "$home/Songs")
grep -q "$root/usr/lib/quorvel/libbrenvik.so" "/proc/$program_pid/maps" ||
  fail "the engine was not loaded from the package's private folder"
record_and_save_as "$main" mysong
wav_saved_as mysong.wav
exit_program "$main"
wav=$home/Songs/mysong.wav
[ -f "$wav" ] || fail "no $wav"
expected_wav_bytes=$((44 + (262144 - 2) * 4))
[ "$(stat -c %s "$wav")" -eq "$expected_wav_bytes" ] || fail "$wav is $(stat -c %s "$wav") bytes, not $expected_wav_bytes"
saved=$wav

# Without a music folder an MP3 file typed without a directory lands in the home folder.
prepare_home without-music .config
start_as_user
main=$(started_in "$home")
record_and_save_as "$main" mysong.mp3
box=$(visible_window '^Quorvel$')
shot mp3-saved
keys_to "$box" Return
until_gone '^Quorvel$'
wait_for_title "$main" "Dravenna - mysong.mp3"
exit_program "$main"
mp3=$home/mysong.mp3
[ -f "$mp3" ] || fail "no $mp3"
read -r sync0 sync1 <<<"$(od -An -t u1 -N 2 "$mp3")"
[ "$sync0" -eq 255 ] && [ $((sync1 & 0xE0)) -eq 224 ] || fail "$mp3 does not start with an MP3 frame header"

# Killed while it records, the installed program keeps the take in the user's state folder and
# offers it at the next start; recovered and saved, it is the whole track.
prepare_home killed .config
start_as_user
main=$(started_in "$home")
keys_to "$main" F6
take=$home/.local/state/quorvel/take-1.ring
for _ in $(seq 200); do
  # The header's count of frames recorded, a 64-bit number at byte 32.
  recorded=$(od -An -t d8 -j 32 -N 8 "$take" 2>/dev/null | tr -d ' ' || true)
  [ "${recorded:-0}" -gt 262144 ] && break
  sleep 0.1
done
[ "${recorded:-0}" -gt 262144 ] || fail "the take file $take says ${recorded:-nothing} frames recorded: the ring did not wrap"
kill -KILL "$program_pid"
{ wait "$program_pid"; } 2>/dev/null || true
start_as_user
box=$(visible_window '^Quorvel$')
shot take-question
keys_to "$box" alt+y
until_gone '^Quorvel$'
main=$(visible_window '^Dravenna')
wait_for_title "$main" "Dravenna - "
until_shows "$main" 239,96,64 600
shot take-recovered
keys_to "$main" alt+f s
dialog=$(visible_window '^Save as$')
keys_to "$dialog" ctrl+a
type_to "$dialog" recovered
keys_to "$dialog" Return
until_gone '^Save as$'
wav_saved_as recovered.wav
exit_program "$main"
[ "$(stat -c %s "$home/recovered.wav")" -eq "$expected_wav_bytes" ] ||
  fail "the recovered take saved as $(stat -c %s "$home/recovered.wav") bytes, not $expected_wav_bytes"

# A web radio's song announced by a test player on the user's own session bus while the
# installed program records: Select Song takes the song, Save As offers its name in the working
# folder, and the MP3 carries its title, artist and album.
source "$(dirname "$0")/../support/player_bus.sh"
player_skipped=$(player_bus_unavailable)
if [ -z "$player_skipped" ]; then
  prepare_home with-player .config
  printf '[Defaults]\nMemory=1048576\n' >"$config/Quorvel/Quorvel.conf"
  make_two_songs "$work/two-songs.wav"
  install -m 644 "$(dirname "$0")/../support/fake_player.py" "$work/fake_player.py"
  become_user
  start_player_bus "$home/run" "$work/fake_player.py" "${user_command[@]}"
  start_as_user DBUS_SESSION_BUS_ADDRESS="$player_bus" BRENVIK_SIM_INPUT="$work/two-songs.wav" \
    BRENVIK_SIM_SPEED=4
  main=$(started_in "$home")
  record_while_announcing "$main"
  save_announced_song "$main" "$home"
  announced=", and saved a song named and tagged after a player's announcement"
fi

# Control > Input Source... in the installed program over the user's own PulseAudio: choose,
# start again, the choice is kept, and the recording holds what the chosen output played.
source "$(dirname "$0")/../support/source_menu_run.sh"
source_menu_skipped=$(source_menu_unavailable)
if [ -z "$source_menu_skipped" ]; then
  prepare_home with-sound .config
  settings=$config/Quorvel/Quorvel.conf
  start_program() { start_as_user "$@"; }
  # The build tree may lie in a folder the unprivileged user cannot enter (a private home), so
  # the user runs a copy of the server helper from the scratch directory.
  install -m 755 "$build_dir/tests/private_pulse_server" "$work/private_pulse_server"
  source_menu_run "$work/private_pulse_server"
fi

# Removing the package takes every file and folder it brought; only the database remains.
scratch_dpkg --remove quorvel
left=$(cd "$root" && find . -path ./var/lib/dpkg -prune -o -print | sort | tr '\n' ' ')
[ "$left" = ". ./var ./var/lib " ] || fail "removing the package left $left"
[ ! -e "$admin/info/quorvel.list" ] || fail "the package database still lists the package's files"

echo "PASS: $(basename "$deb") passes lintian; installed, it saved $saved and $mp3 as $user, recovered a killed take${announced:-}; removed, it left nothing"
if [ -n "$player_skipped" ]; then
  echo "SKIP: the announced song was not tried: $player_skipped"
  exit 77
fi
if [ -n "$source_menu_skipped" ]; then
  echo "SKIP: the input source menu was not tried: $source_menu_skipped"
  exit 77
fi
