#!/usr/bin/env bash
# Builds and runs bench/peers: our operations beside libyuv and OpenCV on the
# same 1920x1080 and 3840x2160 frames. Installs the two peer libraries (a
# benchmark-only dependency) when run as root. Extra arguments go to Google
# Benchmark, e.g. --benchmark_filter=3840 --benchmark_min_time=0.2.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/setup.sh
for package in libyuv-dev libopencv-imgproc-dev; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >/dev/null
  fi
done
cmake --preset peers >/dev/null
cmake --build --preset peers --target peers_bench
build/peers/bin/peers_bench --benchmark_min_time=0.1 "$@" 2>/dev/null
