#!/usr/bin/env bash
# The Debian package, made from this build tree: it must hold the program, both libraries in
# their private folder, the desktop entry and the icon, and declare the libraries it needs.
# Unpacked into a scratch root, the program must start from there and take the engine from the
# package's private folder through its RUNPATH.
#
# Usage: package_test.sh BUILD_DIR
# Exits 77 (skipped) when cpack, dpkg-deb, xvfb-run or xdotool is missing.
set -euo pipefail

build_dir=$(cd "$1" && pwd)
for tool in cpack dpkg-deb; do
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
            usr/share/applications/quorvel.desktop usr/share/icons/hicolor/scalable/apps/quorvel.svg; do
  grep -q " \./$path\$" <<<"$contents" || fail "the package lacks /$path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libportaudio2 libmp3lame0 libqt6widgets6; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
use_private_home
export BRENVIK_AUDIO=sim
unset BRENVIK_SIM_INPUT BRENVIK_SIM_OUTPUT BRENVIK_SIM_FAIL QT_QPA_PLATFORM
"$root/usr/bin/quorvel" >"$work/quorvel.log" 2>&1 &
program_pid=$!

main=$(start_up)
if xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; then fail "start-up showed a message"; fi
grep -q "$root/usr/lib/quorvel/libbrenvik.so" "/proc/$program_pid/maps" ||
  fail "the engine was not loaded from the package's private folder"
exit_program "$main"

echo "PASS: $(basename "$deb") holds and declares what it should, and the program starts from it"
