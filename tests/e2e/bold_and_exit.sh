#!/usr/bin/env bash
# A person types a word, selects it with the keyboard, makes it bold, and leaves with Alt+X,
# answering No to saving the changes.
source "$(dirname "$0")/lib.sh"

start_display
start_tolvan
xdotool type --delay 20 "hello"
xdotool key --delay 50 shift+Home ctrl+b
xdotool key alt+x
answer "Confirm" n
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
