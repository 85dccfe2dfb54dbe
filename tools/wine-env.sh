# Sourced by the test scripts: a private Xvfb display and a fresh Wine prefix inside the build
# folder, so runs never touch the user's own ~/.wine and CI needs no display of its own.
wine_env_start() {
    local build=$1
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install prompts
    export WINEPREFIX=$build/wineprefix
    rm -rf "$WINEPREFIX"
    mkdir -p "$build"
    local display
    for display in $(seq 91 120); do
        [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
    done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    export DISPLAY=":$display"
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # One server for the whole run, until wine_env_stop, started with no output of its own and
    # with the prefix's services: a server or service that a suite's first process starts holds
    # that suite's output open, and CTest waits for it, seconds after every suite or, with two
    # suites at a time, until the other one ends.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${KV_XVFB_PID:-}" ] && kill "$KV_XVFB_PID" 2>/dev/null
    wait "$KV_XVFB_PID" 2>/dev/null || true
}
