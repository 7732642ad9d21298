#!/usr/bin/env bash
# A person starts with a page named on the command line (the window, as first seen, is saved as
# a picture for the README: build/screenshots/main-window.png), looks at About and Quick Help,
# opens another page through the Open dialog, finds a word, makes another bold, saves with F2,
# types on, and leaves with Alt+X answering No to saving the changes.
source "$(dirname "$0")/lib.sh"

out="$(dirname "$TOLVAN")/screenshots"
mkdir -p "$out" "$WORK/site/images"
cat >"$WORK/site/index.htm" <<'PAGE'
<HTML>
<HEAD>
<TITLE>My garden</TITLE>
</HEAD>
<BODY>
<H1>My garden</H1>
<P>In spring the <B>tulips</B> come first, then the <I>lilacs</I>.
<TABLE>
  <TR>
    <TD>Tulips</TD>
    <TD>April</TD>
</TABLE>
</BODY>
</HTML>
PAGE
printf 'Hello world\r\n<P>second line\r\n' >"$WORK/site/hello.htm"
printf 'notes\r\n' >"$WORK/site/notes.txt"

start_display
start_tolvan "$WORK/site" index.htm
xwd -silent -id "$WINDOW" | convert xwd:- "$out/main-window.png"
[ -s "$out/main-window.png" ] || fail "no screenshot"
# Help's two information windows, each closed with its OK.
xdotool key alt+h a
answer "About" Return
refocus
xdotool key alt+h q
answer "Quick Help" Return
refocus

xdotool key F3
answer "Open" ctrl+a
xdotool type --delay 20 "$WORK/site/hello.htm"
xdotool key Return
timeout 20 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $WORK/site/hello.htm" >/dev/null ||
    fail "the page did not open"
refocus
# Find Next brings the main window up over the Find dialog.
xdotool key alt+e f
answer "Find" ctrl+a
xdotool type --delay 20 "world"
xdotool key Return
sleep 0.3
xwininfo -root -children | grep -m1 -E '"(Find|Tolvan v1.61 - [^"]*)"' | grep -q '"Tolvan' ||
    fail "the main window stayed behind the Find dialog"
refocus
# Select "Hello" and make it bold.
xdotool key --delay 50 ctrl+Home shift+ctrl+Right
xdotool key --delay 50 shift+Left ctrl+b F2
sleep 0.5
xdotool type --delay 20 "unsaved"
xdotool key alt+x
answer "Confirm" n
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
expected=$(printf '<B>Hello</B> world\r\n<P>second line\r\n' | od -c)
actual=$(od -c <"$WORK/site/hello.htm")
[ "$expected" = "$actual" ] || fail "saved bytes differ:
$actual"
