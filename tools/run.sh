#!/usr/bin/env bash
# Builds the Linux library and runs the example host on its built-in default.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/setup.sh"
cmake --preset linux >/dev/null
cmake --build --preset linux --target viu-example
"$root/build/linux/bin/viu-example" "$@"
