#!/usr/bin/env bash
# The main job: builds the Linux program and analyses the bundled sample Windows installation
# with /Scan, as a scheduler would: progress on stderr, the main window's rows and totals on
# stdout, then the result file it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target kelvara >build/run-sample-build.log 2>&1 ||
    { tail -n 40 build/run-sample-build.log; exit 1; }
result=$root/build/linux/scan-result.ini
rm -f "$result"
build/linux/src/app/kelvara /Scan "$result"
echo
echo "== $result"
cat "$result"
