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
