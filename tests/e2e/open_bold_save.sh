#!/usr/bin/env bash
# A person opens a page through the Open dialog, makes a word bold, saves with F2 and leaves.
source "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/site"
printf 'Hello world\r\n<P>second line\r\n' >"$WORK/site/index.htm"

start_display
start_tolvan "$WORK/site"
xdotool key F3
answer "Open" ctrl+a
xdotool type --delay 20 "$WORK/site/index.htm"
xdotool key Return
timeout 20 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $WORK/site/index.htm" >/dev/null ||
    fail "the page did not open"
refocus
# The caret starts at the top: select "Hello" and make it bold.
xdotool key --delay 50 ctrl+Home shift+ctrl+Right
xdotool key --delay 50 shift+Left ctrl+b F2
sleep 0.5
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
expected=$(printf '<B>Hello</B> world\r\n<P>second line\r\n' | od -c)
actual=$(od -c <"$WORK/site/index.htm")
[ "$expected" = "$actual" ] || fail "saved bytes differ:
$actual"
