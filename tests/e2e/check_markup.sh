#!/usr/bin/env bash
# A person checks the markup of a page with F7, walks to the problem with Enter, mends it there
# and saves.
source "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/site"
page="$WORK/site/index.htm"
printf '<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n<p>AT&T</p>\r\n</body></html>\r\n' >"$page"

start_display
(cd "$WORK/site" && exec "$TOLVAN" "$page") >"$WORK/tolvan.log" 2>&1 &
APP_PID=$!
WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $page" | head -n1) ||
    fail "the page did not open"
refocus
xdotool key F7
# The list opens with its one entry current (line 3, column 6: the bare "&"); Enter on it puts
# the editor's caret there.
answer "Check Markup" Return
refocus
xdotool key Right
xdotool type --delay 20 "amp;"
xdotool key F2
sleep 0.5
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
expected=$(printf '<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n<p>AT&amp;T</p>\r\n</body></html>\r\n' | od -c)
actual=$(od -c <"$page")
[ "$expected" = "$actual" ] || fail "saved bytes differ:
$actual"
