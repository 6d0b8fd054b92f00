#!/usr/bin/env bash
# Builds the libFuzzer target over the Linux image loaders (clang,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs it for a bounded
# time, seeded with the test corpus. New inputs it finds are kept in
# build/fuzz/corpus for the next run. A crash, leak or failed check makes it
# exit non-zero and leaves the input as build/fuzz/crash-*.
# Usage: tools/fuzz.sh [seconds]   (default 60)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${1:-60}"
build="$root/build/fuzz"

echo "=== fuzz: configure and build"
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)"

seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds" "$build/corpus"
find tests/data -type f ! -name '*.bgra' ! -name '*.txt' -exec cp {} "$seeds/" \;

echo "=== fuzz: run for ${seconds} s"
cd "$build"
if ! ./fuzz_image_loaders -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus "$seeds" >fuzz.log 2>&1; then
  tail -n 80 fuzz.log
  echo "fuzz: failed; the input is in $build (crash-*, leak-*, timeout-*, oom-*)" >&2
  exit 1
fi
tail -n 6 fuzz.log
