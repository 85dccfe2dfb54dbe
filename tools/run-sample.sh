#!/usr/bin/env bash
# The main job: builds the Linux program and runs it on the bundled sample Windows installation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target kelvara >build/run-sample-build.log 2>&1 ||
    { tail -n 40 build/run-sample-build.log; exit 1; }
exec build/linux/src/app/kelvara "$@"
