#!/usr/bin/env bash
# Builds the library and runs the demo host session against the simulated
# board. Pass `--board merlin` for the Merlin board.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --demo
cmake --preset demo >/dev/null
cmake --build --preset demo
exec build/demo/tools/demo/lineio-demo "$@"
