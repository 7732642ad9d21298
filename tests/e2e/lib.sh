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

# shellcheck source=../../scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

# start_tolvan [DIR [PAGE]]: runs the program in the background (in DIR, default $WORK; with
# PAGE named on its command line) and waits for its window; sets WINDOW.
start_tolvan() {
    (cd "${1:-$WORK}" && exec "$TOLVAN" ${2:+"$2"}) >"$WORK/tolvan.log" 2>&1 &
    APP_PID=$!
    WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - .*${2:-noname.html}" | head -n1)
    refocus
}

# wait_exit: waits for the program to end and sets EXIT_STATUS (124 when it did not end).
wait_exit() {
    EXIT_STATUS=0
    for _ in $(seq 100); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        EXIT_STATUS=124
        return
    fi
    wait "$APP_PID" || EXIT_STATUS=$?
    APP_PID=
}

fail() {
    echo "FAIL: $*" >&2
    echo "--- windows shown:" >&2
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        xdotool getwindowname "$w" >&2
    done
    echo "--- program output:" >&2
    cat "$WORK/tolvan.log" >&2 || true
    exit 1
}

# answer TITLE KEYS...: waits for a window with exactly this title, focuses it, presses keys.
answer() {
    local title=$1
    shift
    local wid
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1) ||
        fail "no window titled '$title'"
    xdotool windowfocus --sync "$wid"
    sleep 0.3
    xdotool key --delay 60 "$@"
}

# refocus: gives the main window the keyboard again (there is no window manager under Xvfb).
refocus() {
    xdotool windowfocus --sync "$WINDOW"
    # Qt takes the focus change from its event queue: let it arrive before the next keys.
    sleep 0.3
}
