# Sourced by the scripts that need a private X display (tests/e2e, bench).
#
# start_xvfb DIR: starts Xvfb on a free display number, its log in DIR/xvfb.log; sets XVFB_PID
# and exports DISPLAY. Returns non-zero, with the log on stderr, when no display came up in 10 s.
start_xvfb() {
    local dir=$1
    exec 3>"$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$dir/display" ] && break
        sleep 0.1
    done
    exec 3>&-
    if [ ! -s "$dir/display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$dir/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=:$(head -n1 "$dir/display")
}
