# Shared by the end-to-end scripts: a private X display, a private home, the program started
# in it, and clean-up however the script ends.
set -euo pipefail

TOLVAN=${1:?path to the tolvan binary}
WORK=$(mktemp -d)
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config
mkdir -p "$XDG_CONFIG_HOME"
unset QT_QPA_PLATFORM
XVFB_PID= APP_PID=

cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

start_display() {
    exec 3>"$WORK/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$WORK/display" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(head -n1 "$WORK/display")
}

# start_tolvan: runs the program in the background (in $1, default $WORK) and waits for its
# window; sets WINDOW.
start_tolvan() {
    (cd "${1:-$WORK}" && exec "$TOLVAN") >"$WORK/tolvan.log" 2>&1 &
    APP_PID=$!
    WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - noname.html" | head -n1)
    xdotool windowfocus --sync "$WINDOW"
}

# wait_exit: waits for the program to end; prints its exit status.
wait_exit() {
    local status=0
    for _ in $(seq 100); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    wait "$APP_PID" || status=$?
    APP_PID=
    echo "$status"
}

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output:" >&2
    cat "$WORK/tolvan.log" >&2 || true
    exit 1
}
