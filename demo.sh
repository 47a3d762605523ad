#!/usr/bin/env bash
# Builds the library and runs the demo host session against the simulated
# board. Pass `--board merlin` for the Merlin board.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --build
cmake --preset dev >/dev/null
cmake --build --preset dev --target lineio-demo lineio-demo-merlin
exec build/dev/tools/demo/lineio-demo "$@"
