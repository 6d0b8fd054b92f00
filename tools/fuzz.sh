#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time:
#   fuzz_image_loaders        the Linux image loaders, seeded with tests/data
#   fuzz_operation_sequences  random sequences of every interface slot over
#                             guarded buffers, seeded with tests/fuzz/corpus_sequences
#   fuzz_file_round_trips     save as BMP, JPEG, PNG or TIFF and load back,
#                             seeded with tests/fuzz/corpus_round_trips
# The seconds are shared evenly among the targets run. New inputs each target
# finds are kept in build/fuzz/corpus/<target> for the next run. A crash, leak
# or failed check makes it exit non-zero and leaves the input as
# build/fuzz/<target>-crash-* (or -leak-, -timeout-, -oom-).
# Usage: tools/fuzz.sh [seconds] [target...]   (default: 180, a minute for each of the three)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${1:-180}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_image_loaders fuzz_operation_sequences fuzz_file_round_trips)
build="$root/build/fuzz"

echo "=== fuzz: configure and build"
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/fuzz_image_loaders"
find tests/data -type f ! -name '*.bgra' ! -name '*.txt' -exec cp {} "$seeds/fuzz_image_loaders/" \;
cp -r tests/fuzz/corpus_sequences "$seeds/fuzz_operation_sequences"
cp -r tests/fuzz/corpus_round_trips "$seeds/fuzz_file_round_trips"

each=$(( seconds / ${#targets[@]} ))
[ "$each" -lt 1 ] && each=1
cd "$build"
for target in "${targets[@]}"; do
  echo "=== fuzz: $target for ${each} s"
  mkdir -p "corpus/$target"
  if ! "./$target" -max_total_time="$each" -timeout=20 -rss_limit_mb=2048 -max_len=4096 \
      -artifact_prefix="$build/$target-" -print_final_stats=1 "corpus/$target" "$seeds/$target" \
      >"$target.log" 2>&1; then
    tail -n 80 "$target.log"
    echo "fuzz: $target failed; the input is in $build ($target-crash-*, -leak-*, -timeout-*, -oom-*)" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb' "$target.log" || true
done
