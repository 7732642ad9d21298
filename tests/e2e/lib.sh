# Shared by the end-to-end scripts: a private X display and home, the program started in it,
# and clean-up however the script ends.
set -euo pipefail

TOLVAN=${1:?path to the tolvan binary}
WORK=$(mktemp -d)
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config
mkdir -p "$XDG_CONFIG_HOME"
unset QT_QPA_PLATFORM
XVFB_PID= APP_PID=
trap 'kill $APP_PID $XVFB_PID 2>/dev/null || true; rm -rf "$WORK"' EXIT
# shellcheck source=../../scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"
start_xvfb "$WORK"

fail() {
    echo "FAIL: $*" >&2
    cat "$WORK/tolvan.log" >&2 || true
    exit 1
}

# launch [PAGE]: runs the program in the background in $WORK, PAGE named on its command line.
launch() {
    (cd "$WORK" && exec "$TOLVAN" ${1:+"$1"}) >"$WORK/tolvan.log" 2>&1 &
    APP_PID=$!
}

# main_window [PAGE]: waits for the main window showing PAGE and gives it the keyboard.
main_window() {
    WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name \
        "Tolvan v1.61 - .*${1:-noname.html}\$" | head -n1) || fail "${1:-noname.html} not shown"
    refocus
}

# exits_cleanly: waits for the program to end, with status 0.
exits_cleanly() {
    wait "$APP_PID" || fail "tolvan exited with status $?"
    APP_PID=
}

# answer TITLE KEYS...: waits for a window with exactly this title, focuses it, presses keys.
answer() {
    local wid
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) ||
        fail "no window titled '$1'"
    shift
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
