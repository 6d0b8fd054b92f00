#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threads test under
# ThreadSanitizer, and the Windows DLL cross-built with mingw-w64 and run
# under wine.
# Then the release builds are installed into temporary prefixes, used from
# other projects and packaged (tools/check_install.sh), and the three fuzz
# targets run for a minute each (tools/fuzz.sh).
# Usage: tools/test.sh [linux|sanitize|tsan|windows|install|fuzz]...   (default: all six)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/setup.sh

export WINEDEBUG=-all
export WINEPREFIX="$root/build/wineprefix"
jobs="$(nproc)"

configurations=("$@")
[ ${#configurations[@]} -eq 0 ] && configurations=(linux sanitize tsan windows install fuzz)

for preset in "${configurations[@]}"; do
  if [ "$preset" = fuzz ]; then
    bash tools/fuzz.sh
    continue
  fi
  if [ "$preset" = install ]; then
    bash tools/check_install.sh
    continue
  fi
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done
echo "=== all configurations passed: ${configurations[*]}"
