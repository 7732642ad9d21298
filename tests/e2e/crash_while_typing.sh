#!/usr/bin/env bash
# A person types without ever pausing for a second, and the program is killed: the recovery
# copy holds everything typed until 6 s before the kill (5 s at most between copies, one for
# the write and for X). The next start offers it back.
source "$(dirname "$0")/lib.sh"

launch
main_window
typed= needed=
SECONDS=0
for i in $(seq 200); do
    xdotool type --delay 25 "w$i "
    typed+="w$i "
    [ $SECONDS -ge 3 ] || needed=$typed # typed within 3 s
    [ $SECONDS -lt 10 ] || break         # more than 9 s
    sleep 0.15
done
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=
copy=$(ls "$HOME"/.local/state/tolvan/recovery-* 2>/dev/null | head -n1) ||
    fail "no recovery copy after typing for seconds"
kept=$(tail -n +4 "$copy")
[[ "$typed" == "$kept"* && ${#kept} -ge ${#needed} ]] ||
    fail "the copy holds '$kept'; '$needed' was typed 6 s before the kill"

# open_copy_save PAGE TEXT SAVED: the next start with PAGE named on the command line; Escape on
# the offer keeps the copy and the page opens. All of it copied reads as TEXT (UTF-8; the mark is
# no text, LF comes as CR LF); "end" added and saved with F2, the file holds the bytes SAVED.
open_copy_save() {
    local copied=
    launch "$1"
    answer "Confirm" Escape
    main_window "$1"
    xdotool key --delay 50 ctrl+a ctrl+Insert
    for _ in $(seq 50); do
        copied=$(xclip -o -selection clipboard 2>/dev/null | od -c) && [ -n "$copied" ] && break
        sleep 0.1
    done
    [ "$copied" = "$(printf "$2" | od -c)" ] || fail "$1: copied text differs: $copied"
    xdotool key --delay 50 ctrl+End
    xdotool type --delay 20 'end'
    xdotool key F2
    sleep 0.5
    xdotool key alt+x
    exits_cleanly
    [ -f "$copy" ] || fail "Escape on the offer threw the copy away"
    [ "$(printf "$3" | od -An -tx1)" = "$(od -An -tx1 <"$1")" ] ||
        fail "$1: saved bytes differ: $(od -An -tx1 <"$1")"
}

# UTF-16 with its mark: <p>日本語</p> CR LF, é LF, x.
printf '\xff\xfe<\0p\0>\0\xe5\x65\x2c\x67\x9e\x8a<\0/\0p\0>\0\r\0\n\0\xe9\0\n\0x\0' >"$WORK/wide.htm"
open_copy_save "$WORK/wide.htm" '<p>\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e</p>\n\xc3\xa9\nx' \
    '\xff\xfe<\0p\0>\0\xe5\x65\x2c\x67\x9e\x8a<\0/\0p\0>\0\r\0\n\0\xe9\0\r\0\n\0x\0e\0n\0d\0\r\0\n\0'
# Shift_JIS as its meta tag declares: 日本 and a backslash (0x5C is one in Shift_JIS).
printf '<meta charset="Shift_JIS">\r\n\x93\xfa\x96\x7b\x5c\r\n' >"$WORK/sjis.htm"
open_copy_save "$WORK/sjis.htm" '<meta charset="Shift_JIS">\n\xe6\x97\xa5\xe6\x9c\xac\\\n' \
    '<meta charset="Shift_JIS">\r\n\x93\xfa\x96\x7b\x5c\r\nend\r\n'
