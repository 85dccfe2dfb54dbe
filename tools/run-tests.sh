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

# build <preset> [targets...]: configures and builds the preset, its output in the logs and its
# exit status in <preset>.status. Most builds run in the background while the suites of the
# build before run: much of their time is spent waiting on other programs, a disk or a timer,
# and the next build has the processors then. finish_build <preset> waits until the preset is
# built and returns its status, or prints the end of its logs when it failed.
build() {
    local preset=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --preset "$preset" >"$logdir/$preset-configure.log" 2>&1 &&
        cmake --build --preset "$preset" -j "$jobs" "${targets[@]}" >"$logdir/$preset-build.log" 2>&1
    echo $? >"$logdir/$preset.status"
}
finish_build() {
    while [ ! -f "$logdir/$1.status" ]; do sleep 1; done
    if [ "$(cat "$logdir/$1.status")" != 0 ]; then
        echo "$1 build failed:"; tail -n 40 "$logdir/$1-build.log" "$logdir/$1-configure.log" 2>/dev/null
        failed=$((failed + 1))
        return 1
    fi
}
rm -f "$logdir"/*.status
# run_ctest <build folder> <log name> [ctest options...]: runs the build's suites and counts them.
run_ctest() {
    local folder=$1 log=$logdir/$2-ctest.log
    shift 2
    ctest --test-dir "$folder" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$log" |
        grep -E '^(.*Test +#|[0-9]+% tests|Total Test)' || true
    count_ctest "$log" "$folder"
}

# The suites with threads (the scan worker, the restore-point worker, the compactor's two halves,
# the commands that start them) run under ThreadSanitizer too.
tsan_suites=(regf_tests hive_scan_tests defrag_tests main_window_commands_tests app_unattended_tests)
fuzz_names=(fuzz_regf ini_fuzz command_line_fuzz fuzz_offline fuzz_log_recovery fuzz_language)

echo "== native build (linux preset)"
build linux
build linux-asan &
finish_build linux && run_ctest build/linux linux

# The same native suites again under AddressSanitizer and UndefinedBehaviorSanitizer: a memory
# error or undefined behaviour anywhere fails the suite that met it.
echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer (linux-asan preset)"
asan_ok=0
finish_build linux-asan && asan_ok=1
# The other three builds, one after the other, while the longest suites run.
{
    build linux-tsan "${tsan_suites[@]}"
    build linux-fuzz "${fuzz_names[@]}"
    build win32
} &
if [ $asan_ok -eq 1 ]; then
    # A suite that fails is run once more. An analysis case once failed here on a heavily loaded
    # machine: a worker's last message could arrive between the window's idle check and its
    # count of running workers; that race is mended and has its own test. The second run stays as
    # a guard against timing on a loaded machine; a real fault fails both times, and the log
    # keeps the first failure.
    ASAN_OPTIONS=abort_on_error=0:detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest build/linux-asan linux-asan --repeat until-pass:2
fi

echo "== the suites with threads under ThreadSanitizer (linux-tsan preset)"
tsan_ok=0
finish_build linux-tsan && tsan_ok=1
if [ $tsan_ok -eq 1 ]; then
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        run_ctest build/linux-tsan linux-tsan -R "^($(IFS='|'; echo "${tsan_suites[*]}"))\$"
fi

# Each fuzz target for a bounded time from its committed seeds (new inputs go to a scratch
# folder, never into the seeds); a crash or a broken property fails it. Two run at a time.
echo "== fuzz targets, 15 seconds each (linux-fuzz preset, clang and libFuzzer)"
declare -A fuzz_seeds=(
    [fuzz_regf]=tests/fuzz/corpus
    [ini_fuzz]=tests/fuzz/ini-corpus
    [command_line_fuzz]=tests/fuzz/command-line-corpus
    [fuzz_offline]=tests/fuzz/offline-corpus
    [fuzz_log_recovery]=tests/fuzz/log-corpus
    [fuzz_language]=lang
)
# The offline target writes and flushes a whole installation per input: in memory it runs some
# fifty times faster than on a disk that honours every flush.
fuzz_tmp=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && fuzz_tmp=/dev/shm
fuzz_ok=0
finish_build linux-fuzz && fuzz_ok=1
# run_fuzz <name>: one target from its seeds into a scratch folder; its exit status in the log's
# last line.
run_fuzz() {
    local scratch status
    scratch=$(mktemp -d)
    TMPDIR=$fuzz_tmp "build/linux-fuzz/tests/fuzz/$1" "$scratch" "${fuzz_seeds[$1]}" -max_total_time=15 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 >"$logdir/$1.log" 2>&1
    status=$?
    rm -rf "$scratch"
    echo "exit status $status" >>"$logdir/$1.log"
}
if [ $fuzz_ok -eq 1 ]; then
    for ((i = 0; i < ${#fuzz_names[@]}; i += 2)); do
        run_fuzz "${fuzz_names[i]}" &
        first=$!
        [ $((i + 1)) -lt ${#fuzz_names[@]} ] && run_fuzz "${fuzz_names[i + 1]}"
        wait "$first"
    done
    for name in "${fuzz_names[@]}"; do
        if [ "$(tail -n 1 "$logdir/$name.log")" = "exit status 0" ]; then
            echo "fuzz $name: $(grep -E '^stat::number_of_executed_units' "$logdir/$name.log" | awk '{print $2}') runs, no failure"
            passed=$((passed + 1))
        else
            echo "fuzz $name FAILED:"; tail -n 30 "$logdir/$name.log"
            failed=$((failed + 1))
        fi
    done
fi

echo "== Windows build (win32 preset) under Wine"
if finish_build win32; then
    # shellcheck source=tools/wine-env.sh
    source tools/wine-env.sh
    wine_env_start "$root/build/win32"
    # Two at a time: the suites that show windows hold the display one at a time (their
    # RESOURCE_LOCK), the end-to-end ones run alone, the others run beside them.
    run_ctest build/win32 win32
    wine_env_stop
fi

wait
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
