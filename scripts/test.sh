#!/usr/bin/env bash
# Installs what is missing, checks the sources' formatting, builds everything and runs every test:
# the engine and encoder tests under AddressSanitizer+UBSan, the engine tests and the
# editor-plus-engine test (label threads) under ThreadSanitizer (a clang build of the whole tree),
# a short fuzz run over the WAV reader, and last the normal build with every test (its summary
# closes the output).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)
# The compiler cache keys on paths relative to the tree, so another clone reuses its objects.
export CCACHE_BASEDIR="$PWD"

echo "== formatting: every tracked C and C++ file as .clang-format says =="
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

configure_and_build() {  # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== sanitizer build: AddressSanitizer + UndefinedBehaviorSanitizer =="
configure_and_build build-asan -DQUORVEL_SANITIZE=address -DQUORVEL_BUILD_EDITOR=OFF -DQUORVEL_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-Werror
# ALSA's plugin modules and the libraries they load leak in their constructors (see
# tests/support/lsan.supp); the full unwinder reaches ALSA's loader past their frames.
ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:fast_unwind_on_malloc=0" \
  ctest --test-dir build-asan -L 'engine|encoder' --output-on-failure -j "$jobs"

echo "== sanitizer build: ThreadSanitizer, the whole tree with clang =="
# The other builds use gcc; this one keeps the whole tree free of clang's warnings too.
configure_and_build build-tsan -DQUORVEL_SANITIZE=thread -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS=-Werror
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/support/tsan.supp" \
  ctest --test-dir build-tsan -L 'engine|threads' --output-on-failure -j "$jobs"

echo "== fuzz: LoadWave under libFuzzer, AddressSanitizer and UBSan =="
if command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQUORVEL_FUZZ=ON \
    -DQUORVEL_BUILD_EDITOR=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target load_wave_fuzz
  # New inputs go to the build tree; the committed seeds are only read.
  mkdir -p build-fuzz/fuzz-corpus
  build-fuzz/tests/load_wave_fuzz -max_total_time=20 -dict=tests/fuzz/load_wave.dict \
    build-fuzz/fuzz-corpus tests/fuzz/corpus
else
  echo "clang++ not found: the LoadWave fuzz run is skipped"
fi

echo "== full build and all tests =="
configure_and_build build
QT_QPA_PLATFORM=offscreen BRENVIK_AUDIO=sim ctest --test-dir build --output-on-failure -j "$jobs"
