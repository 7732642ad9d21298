#!/usr/bin/env bash
# The main window as a person first sees it with a page open, saved as a picture for the README
# (build/screenshots/main-window.png).
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
printf '<HTML>\r\n' >"$WORK/site/about.htm"
printf 'notes\r\n' >"$WORK/site/notes.txt"

start_display
(cd "$WORK/site" && exec "$TOLVAN" index.htm) >"$WORK/tolvan.log" 2>&1 &
APP_PID=$!
WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - .*index.htm" | head -n1)
refocus
xwd -silent -id "$WINDOW" | convert xwd:- "$out/main-window.png"
[ -s "$out/main-window.png" ] || fail "no screenshot"
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"
