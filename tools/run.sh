#!/usr/bin/env bash
# The main job: builds the Linux library and velimg, then runs velimg on its
# built-in default (the demo, written to build/demo) or on the arguments given.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/setup.sh"
cd "$root"
cmake --preset linux >/dev/null
cmake --build --preset linux --target velimg
if [ $# -eq 0 ]; then
  set -- demo --out "$root/build/demo"
fi
"$root/build/linux/bin/velimg" "$@"
