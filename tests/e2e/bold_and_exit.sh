#!/usr/bin/env bash
# A person types a word, selects it with the keyboard, makes it bold, and leaves with Alt+X.
source "$(dirname "$0")/lib.sh"

start_display
start_tolvan
xdotool type --delay 20 "hello"
xdotool key --delay 50 shift+Home ctrl+b
sleep 0.3
xdotool key alt+x
status=$(wait_exit)
[ "$status" = 0 ] || fail "tolvan exited with status $status"
