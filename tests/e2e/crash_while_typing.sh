#!/usr/bin/env bash
# A person types without ever pausing for a second, and the program is killed: the recovery
# copy holds what was typed up to a few seconds before. At the next start the copy is offered,
# and Escape keeps it for later.
source "$(dirname "$0")/lib.sh"

start_display
start_tolvan
typed=
declare -a stamps texts
start=$(date +%s.%N)
for i in $(seq 40); do
    xdotool type --delay 25 "w$i "
    typed+="w$i "
    stamps+=("$(date +%s.%N)")
    texts+=("$typed")
    sleep 0.15
    awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { exit !(n - s > 9) }' && break
done
killed=$(date +%s.%N)
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=

copy=$(ls "$HOME"/.local/state/tolvan/recovery-* 2>/dev/null | head -n1)
[ -n "$copy" ] || fail "no recovery copy after typing for seconds"
kept=$(tail -n +4 "$copy")
[[ "$typed" == "$kept"* ]] || fail "the copy is not what was typed: '$kept'"
# Everything typed until 6 s before the kill (5 s at most between copies, one for the write
# and for X) is in the copy.
needed=
for i in "${!stamps[@]}"; do
    awk -v t="${stamps[$i]}" -v k="$killed" 'BEGIN { exit !(k - t >= 6) }' && needed=${texts[$i]}
done
[ "${#kept}" -ge "${#needed}" ] ||
    fail "the copy holds ${#kept} characters, ${#needed} were typed 6 s before the kill"
echo "the copy holds ${#kept} of ${#typed} characters"

start_tolvan
answer "Confirm" Escape
refocus
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
[ -f "$copy" ] || fail "Escape on the offer threw the copy away"
