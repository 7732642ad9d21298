#!/usr/bin/env bash
# A person opens a UTF-16 page and a Shift_JIS page given on the command line, copies all of
# each to the clipboard (it must read as the characters written), adds a line, saves with F2 and
# leaves: the page keeps its encoding, its byte-order mark and every byte but the line breaks.
source "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/site"
start_display

# check_page NAME: opens $WORK/site/NAME, which holds the characters of $WORK/NAME.txt (UTF-8);
# the saved page must equal $WORK/NAME.saved.
check_page() {
    local page=$WORK/site/$1
    (cd "$WORK/site" && exec "$TOLVAN" "$page") >"$WORK/tolvan.log" 2>&1 &
    APP_PID=$!
    WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $page\$" |
        head -n1) || fail "$1 did not open"
    refocus
    xdotool key --delay 50 ctrl+a ctrl+Insert
    local copied
    for _ in $(seq 50); do
        copied=$(xclip -o -selection clipboard 2>/dev/null | od -c) && [ -n "$copied" ] && break
        sleep 0.1
    done
    [ "$copied" = "$(od -c <"$WORK/$1.txt")" ] || fail "$1: copied text differs:
$copied"
    xdotool key --delay 50 ctrl+End
    xdotool type --delay 20 'end'
    xdotool key F2
    sleep 0.5
    xdotool key alt+x
    wait_exit
    [ "$EXIT_STATUS" = 0 ] || fail "$1: tolvan exited with status $EXIT_STATUS"
    local actual
    actual=$(od -An -tx1 <"$page")
    [ "$(od -An -tx1 <"$WORK/$1.saved")" = "$actual" ] || fail "$1: saved bytes differ:
$actual"
}

# UTF-16LE with its mark: <p>日本語</p> CR LF, é LF, then a last line without a break. The mark
# is not text (not copied); the LF comes back as the characters CR LF.
printf '\xff\xfe<\0p\0>\0\xe5\x65\x2c\x67\x9e\x8a<\0/\0p\0>\0\r\0\n\0\xe9\0\n\0x\0' \
    >"$WORK/site/wide.htm"
printf '<p>\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e</p>\n\xc3\xa9\nx' >"$WORK/wide.htm.txt"
printf '\xff\xfe<\0p\0>\0\xe5\x65\x2c\x67\x9e\x8a<\0/\0p\0>\0\r\0\n\0\xe9\0\r\0\n\0x\0e\0n\0d\0\r\0\n\0' \
    >"$WORK/wide.htm.saved"
check_page wide.htm

# Shift_JIS as its meta tag declares: 日本 and a backslash (0x5C in Shift_JIS is one).
printf '<meta charset="Shift_JIS">\r\n\x93\xfa\x96\x7b\x5c\r\n' >"$WORK/site/sjis.htm"
printf '<meta charset="Shift_JIS">\n\xe6\x97\xa5\xe6\x9c\xac\\\n' >"$WORK/sjis.htm.txt"
printf '<meta charset="Shift_JIS">\r\n\x93\xfa\x96\x7b\x5c\r\nend\r\n' >"$WORK/sjis.htm.saved"
check_page sjis.htm
