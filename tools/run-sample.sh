#!/usr/bin/env bash
# The main job on a scratch copy of the bundled sample Windows installation, as a scheduler would
# run it: "/Silent" analyses, hands every hive and its compacted copy to the replacement, and
# restarts, which on an installation in a folder swaps the copies in at once (the old files stay
# as .bak). Progress goes to stderr; the main window's rows and totals and one line per replaced
# hive to stdout. Then every new hive is checked again with kelvara-hive, beside its size before.
# The scratch copy is made afresh each time, so two runs print the same figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target kelvara kelvara-hive sample_installation \
    >build/run-sample-build.log 2>&1 || { tail -n 40 build/run-sample-build.log; exit 1; }

sample=$root/build/linux/sample
scratch=$root/build/linux/scratch-installation
rm -rf "$scratch"
cp -a "$sample" "$scratch"

KELVARA_OFFLINE_ROOT=$scratch build/linux/src/app/kelvara /Silent

echo
echo "== every replaced hive checked again"
status=0
printf '%-60s %12s %12s  %s\n' "hive file" "before" "after" "check"
while IFS= read -r -d '' backup; do
    hive=${backup%.bak}
    before=$(stat -c %s "$backup")
    after=$(stat -c %s "$hive")
    if build/linux/tools/kelvara-hive/kelvara-hive check "$hive" >/dev/null 2>&1; then
        verdict=sound
    else
        verdict=FAILED
        status=1
    fi
    printf '%-60s %12s %12s  %s\n' "${hive#"$scratch"/}" "$before" "$after" "$verdict"
done < <(find "$scratch" -name '*.bak' -print0 | sort -z)
leftover=$(find "$scratch" -name '*.kvf' | wc -l)
echo "compacted copies left behind: $leftover"
[ "$leftover" -eq 0 ] || status=1
exit $status
