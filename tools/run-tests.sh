#!/usr/bin/env bash
# Builds both targets and runs every test suite: native, then the Windows build under Wine in
# a private Xvfb display with a fresh Wine prefix. Prints one closing line "N passed, N failed,
# N skipped"; a skipped suite is named above it with the reason it gave.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh || exit 1

jobs=$(nproc)

# Every build goes through the compiler cache: the Linux release that one suite builds compiles
# what the native build has just compiled, with the same flags, and a run on a machine that has
# built before (CI runs where the last session built) compiles only what changed.
# Paths are taken relative to the project and the build folder left out of the key, or the
# release build (in a folder of its own, with line tables) would find nothing; the precompiled
# test header needs its own sloppiness.
if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
fi
passed=0
failed=0
skipped=0

# count_ctest <log> <build folder>: adds CTest's totals to passed/failed/skipped. CTest counts a
# skipped test among the passed ones; here it is taken out and named with the reason it printed
# ("SKIP: ..."), so a suite that could not run on this machine never passes unseen.
count_ctest() {
    local line total fails skips name
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1)
    if [ -z "$line" ]; then
        grep -q 'No tests were found' "$1" && return
        failed=$((failed + 1))   # the suite did not even report: count it as one failure
        return
    fi
    fails=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    skips=0
    while read -r name; do
        skips=$((skips + 1))
        echo "skipped $name: $(awk -v name="$name" '/^[0-9]+\/[0-9]+ Testing: / { current = $3 }
            current == name && /^SKIP: / { sub(/^SKIP: /, ""); print; exit }' "$2/Testing/Temporary/LastTest.log")"
    done < <(sed -nE 's/^[[:space:]]*[0-9]+ - (.+) \((Skipped|Disabled)\)$/\1/p' "$1")
    passed=$((passed + total - fails - skips))
    failed=$((failed + fails))
    skipped=$((skipped + skips))
}

logdir=$root/build/logs
mkdir -p "$logdir"

echo "== native build (linux preset)"
if cmake --preset linux >"$logdir/linux-configure.log" 2>&1 &&
   cmake --build --preset linux -j "$jobs" >"$logdir/linux-build.log" 2>&1; then
    ctest --test-dir build/linux --output-on-failure -j "$jobs" 2>&1 | tee "$logdir/linux-ctest.log" | grep -E '^(.*Test +#|[0-9]+% tests|Total Test)' || true
    count_ctest "$logdir/linux-ctest.log" build/linux
else
    echo "native build failed:"; tail -n 40 "$logdir/linux-build.log" "$logdir/linux-configure.log" 2>/dev/null
    failed=$((failed + 1))
fi

# The same native suites again under AddressSanitizer and UndefinedBehaviorSanitizer: a memory
# error or undefined behaviour anywhere fails the suite that met it.
echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer (linux-asan preset)"
if cmake --preset linux-asan >"$logdir/linux-asan-configure.log" 2>&1 &&
   cmake --build --preset linux-asan -j "$jobs" >"$logdir/linux-asan-build.log" 2>&1; then
    # A suite that fails is run once more. An analysis case once failed here on a heavily loaded
    # machine: a worker's last message could arrive between the window's idle check and its
    # count of running workers; that race is mended and has its own test. The second run stays as
    # a guard against timing on a loaded machine; a real fault fails both times, and the log
    # keeps the first failure.
    ASAN_OPTIONS=abort_on_error=0:detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build/linux-asan --output-on-failure -j "$jobs" --repeat until-pass:2 2>&1 | tee "$logdir/linux-asan-ctest.log" |
        grep -E '^(.*Test +#|[0-9]+% tests|Total Test)' || true
    count_ctest "$logdir/linux-asan-ctest.log" build/linux-asan
else
    echo "sanitizer build failed:"; tail -n 40 "$logdir/linux-asan-build.log" "$logdir/linux-asan-configure.log" 2>/dev/null
    failed=$((failed + 1))
fi

# The suites whose code runs on more than one thread (the scan worker, the restore-point worker,
# the compactor's two halves, the commands that start them) under ThreadSanitizer.
echo "== the suites with threads under ThreadSanitizer (linux-tsan preset)"
tsan_suites=(regf_tests hive_scan_tests defrag_tests main_window_commands_tests app_unattended_tests)
if cmake --preset linux-tsan >"$logdir/linux-tsan-configure.log" 2>&1 &&
   cmake --build --preset linux-tsan -j "$jobs" --target "${tsan_suites[@]}" >"$logdir/linux-tsan-build.log" 2>&1; then
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        ctest --test-dir build/linux-tsan --output-on-failure -j "$jobs" \
              -R "^($(IFS='|'; echo "${tsan_suites[*]}"))\$" 2>&1 | tee "$logdir/linux-tsan-ctest.log" |
        grep -E '^(.*Test +#|[0-9]+% tests|Total Test)' || true
    count_ctest "$logdir/linux-tsan-ctest.log" build/linux-tsan
else
    echo "thread sanitizer build failed:"; tail -n 40 "$logdir/linux-tsan-build.log" "$logdir/linux-tsan-configure.log" 2>/dev/null
    failed=$((failed + 1))
fi

# Each fuzz target for a bounded time from its committed seeds (new inputs go to a scratch
# folder, never into the seeds); a crash or a broken property fails it.
echo "== fuzz targets, 15 seconds each (linux-fuzz preset, clang and libFuzzer)"
fuzz_targets=(
    "tests/fuzz/fuzz_regf tests/fuzz/corpus"
    "tests/fuzz/ini_fuzz tests/fuzz/ini-corpus"
    "tests/fuzz/command_line_fuzz tests/fuzz/command-line-corpus"
    "tests/fuzz/fuzz_offline tests/fuzz/offline-corpus"
    "tests/fuzz/fuzz_log_recovery tests/fuzz/log-corpus"
    "tests/fuzz/fuzz_language lang"
)
# The offline target writes and flushes a whole installation per input: in memory it runs some
# fifty times faster than on a disk that honours every flush.
fuzz_tmp=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && fuzz_tmp=/dev/shm
if cmake --preset linux-fuzz >"$logdir/linux-fuzz-configure.log" 2>&1 &&
   cmake --build --preset linux-fuzz -j "$jobs" --target fuzz_regf ini_fuzz command_line_fuzz fuzz_offline fuzz_log_recovery fuzz_language \
       >"$logdir/linux-fuzz-build.log" 2>&1; then
    for entry in "${fuzz_targets[@]}"; do
        read -r target seeds <<<"$entry"
        name=$(basename "$target")
        scratch=$(mktemp -d)
        if TMPDIR=$fuzz_tmp "build/linux-fuzz/$target" "$scratch" "$seeds" -max_total_time=15 -timeout=10 \
               -rss_limit_mb=2048 -print_final_stats=1 >"$logdir/$name.log" 2>&1; then
            echo "fuzz $name: $(grep -E '^stat::number_of_executed_units' "$logdir/$name.log" | awk '{print $2}') runs, no failure"
            passed=$((passed + 1))
        else
            echo "fuzz $name FAILED:"; tail -n 30 "$logdir/$name.log"
            failed=$((failed + 1))
        fi
        rm -rf "$scratch"
    done
else
    echo "fuzz build failed:"; tail -n 40 "$logdir/linux-fuzz-build.log" "$logdir/linux-fuzz-configure.log" 2>/dev/null
    failed=$((failed + 1))
fi

echo "== Windows build (win32 preset) under Wine"
if cmake --preset win32 >"$logdir/win32-configure.log" 2>&1 &&
   cmake --build --preset win32 -j "$jobs" >"$logdir/win32-build.log" 2>&1; then
    # shellcheck source=tools/wine-env.sh
    source tools/wine-env.sh
    wine_env_start "$root/build/win32"
    # Two at a time: the suites that show windows hold the display one at a time (their
    # RESOURCE_LOCK), the end-to-end ones run alone, the others run beside them.
    ctest --test-dir build/win32 --output-on-failure -j "$jobs" 2>&1 | tee "$logdir/win32-ctest.log" | grep -E '^(.*Test +#|[0-9]+% tests|Total Test)' || true
    count_ctest "$logdir/win32-ctest.log" build/win32
    wine_env_stop
else
    echo "Windows build failed:"; tail -n 40 "$logdir/win32-build.log" "$logdir/win32-configure.log" 2>/dev/null
    failed=$((failed + 1))
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
