#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, run and test, when any is missing.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config ccache clang libclang-rt-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  portaudio19-dev libpulse-dev libmp3lame-dev libtag1-dev libebur128-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpg123-dev lame ffmpeg mpg123 python3-mutagen
  dpkg-dev file lintian
  locales
  pulseaudio pulseaudio-utils libasound2-plugins
  pipewire pipewire-pulse wireplumber dbus-daemon python3-dbus python3-gi
  xvfb xauth xdotool x11-apps imagemagick
  libfftw3-dev python3 sox libsox-fmt-all espeak-ng wesnoth-1.16-music
  singularity-music fretsonfire-songs-sectoid tecnoballz-data festival festvox-us-slt-hts
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
