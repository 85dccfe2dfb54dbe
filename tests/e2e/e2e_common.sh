# Sourced by the end-to-end scripts. CTest runs them inside the Xvfb display and Wine prefix
# that tools/run-tests.sh starts; run by hand, a script starts its own and stops it again
# (e2e_end_env). Also the pass/fail bookkeeping every script reports with.

# e2e_begin_env <root> <env folder>
e2e_begin_env() {
    own_env=0
    if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
        # shellcheck source=tools/wine-env.sh
        source "$1/tools/wine-env.sh"
        wine_env_start "$2"
        own_env=1
    fi
    export WINEDEBUG=-all
}

e2e_end_env() {
    if [ "$own_env" -eq 1 ]; then
        wine_env_stop
    fi
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# probe <verb> <arguments>: the window probe whose path is in $probe_exe, with Unix line ends.
probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }

# e2e_use_settings <program> <folder> <options.ini line>...: for this run the program's settings
# file holds just these lines; the file that was there is kept in <folder> until e2e_finish puts
# it back. Sets $options to the settings file's path.
e2e_use_settings() {
    options=$(dirname "$1")/options.ini
    e2e_saved_options=$2/options.ini.before-$(basename "$0" .sh)
    shift 2
    rm -f "$e2e_saved_options"
    [ -f "$options" ] && cp "$options" "$e2e_saved_options"
    printf '%s\r\n' "$@" >"$options"
}

# e2e_finish: the program asked to close and waited for, the settings file as it was before the
# run, the private display and Wine prefix stopped. For `trap e2e_finish EXIT`.
e2e_finish() {
    probe close >/dev/null 2>&1
    probe gone 10 >/dev/null 2>&1
    if [ -n "${options:-}" ] && [ -n "${e2e_saved_options:-}" ]; then
        if [ -f "$e2e_saved_options" ]; then mv "$e2e_saved_options" "$options"; else rm -f "$options"; fi
    fi
    e2e_end_env
}

# e2e_fresh_copy <sample> <installation>: a copy of the sample installation to work on, made anew.
e2e_fresh_copy() {
    rm -rf "$2"
    cp -a "$1" "$2"
}
