#!/usr/bin/env bash
# A day of use. The first run starts with the settings of an earlier one (Microsoft-like keys,
# the side panel's folder) and a page named on the command line; the window as first seen is
# saved as a picture for the README (build/screenshots/main-window.png). About and Quick Help;
# a page opened from the side panel, marked up from the keys, the menus and the toolbar, find
# and replace, saved with the scheme's key; another page opened through the Open dialog, its
# markup checked with F7 and mended where Enter puts the caret, Find bringing the main window
# up, saved; the scheme switched; Alt+X answering No to saving what was typed since. The next
# run has the Original keys.
source "$(dirname "$0")/lib.sh"

site="$WORK/site"
out="$(dirname "$TOLVAN")/screenshots"
mkdir -p "$site/images" "$out"
printf '<HTML>\n<HEAD>\n<TITLE>My garden</TITLE>\n</HEAD>\n<BODY>\n<H1>My garden</H1>\n<P>In spring the <B>tulips</B> come first, then the <I>lilacs</I>.\n<TABLE>\n  <TR>\n    <TD>Tulips</TD>\n    <TD>April</TD>\n</TABLE>\n</BODY>\n</HTML>\n' >"$site/index.htm"
printf 'garden notes\r\ntulips and tulips\r\n' >"$site/garden.htm"
printf '<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n<p>AT&T</p>\r\n</body></html>\r\n' >"$site/hello.htm"
printf '[Directories]\nLast=%s\n[Shortcuts]\nScheme=1\n' "$site" >"$XDG_CONFIG_HOME/TOLVAN.INI"

start_xvfb "$WORK"
start_tolvan "$site" index.htm
xwd -silent -id "$WINDOW" | convert xwd:- "$out/main-window.png"
[ -s "$out/main-window.png" ] || fail "no screenshot"
xdotool key alt+h a
answer "About" Return
refocus
xdotool key alt+h q
answer "Quick Help" Return
refocus

# Double-click the first page of the file list (menu bar 20, toolbar 33, list top 36).
width=$(xdotool getwindowgeometry --shell "$WINDOW" | sed -n 's/^WIDTH=//p')
xdotool mousemove --window "$WINDOW" $((width - 162 + 40)) $((20 + 33 + 36 + 10)) click --repeat 2 --delay 80 1
timeout 20 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $site/garden.htm" >/dev/null ||
    fail "the double-clicked page did not open"
xdotool mousemove --window "$WINDOW" 100 200 click 1   # back into the editor
sleep 0.3
# "garden" in bold by its key; at the end a line break from the Structures menu by its access
# keys, then the Table button of the toolbar; every "tulips" replaced by "roses"; Ctrl+S.
xdotool key --delay 40 ctrl+Home shift+ctrl+Right shift+Left ctrl+b
xdotool key --delay 40 ctrl+End alt+s l
xdotool mousemove --window "$WINDOW" $((390 + 12)) $((20 + 4 + 12)) click 1
sleep 0.2
xdotool key alt+e e
answer "Replace" ctrl+a
xdotool type --delay 20 "tulips"
xdotool key Tab
xdotool type --delay 20 "roses"
xdotool key alt+a Escape
refocus
xdotool key ctrl+s
sleep 0.3

xdotool key ctrl+o
answer "Open" ctrl+a
xdotool type --delay 20 "$site/hello.htm"
xdotool key Return
timeout 20 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $site/hello.htm" >/dev/null ||
    fail "the page did not open"
refocus
# The list opens with its one entry current (line 3, column 6: the bare "&").
xdotool key F7
answer "Check Markup" Return
refocus
xdotool key Right
xdotool type --delay 20 "amp;"
xdotool key alt+e f
answer "Find" ctrl+a
xdotool type --delay 20 "body"
xdotool key Return
sleep 0.3
xwininfo -root -children | grep -m1 -E '"(Find|Tolvan v1.61 - [^"]*)"' | grep -q '"Tolvan' ||
    fail "the main window stayed behind the Find dialog"
refocus
xdotool key ctrl+s
sleep 0.3
xdotool key --delay 80 alt+o Down Down Down Right Return
sleep 0.2
xdotool type --delay 20 "unsaved"
xdotool key alt+x
answer "Confirm" n
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"

same_bytes() { # FILE FORMAT: the file holds what printf makes of FORMAT
    [ "$(printf "$2" | od -c)" = "$(od -c <"$1")" ] || fail "$1 holds:
$(od -c <"$1")"
}
same_bytes "$site/garden.htm" '<B>garden</B> notes\r\nroses and roses\r\n<BR><TABLE>\r\n  <TR>\r\n    <TD></TD>\r\n    <TD></TD>\r\n  <TR>\r\n    <TD></TD>\r\n    <TD></TD>\r\n</TABLE>\r\n'
same_bytes "$site/hello.htm" '<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r\n<p>AT&amp;T</p>\r\n</body></html>\r\n'
grep -qi '^Scheme=0' "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "scheme not saved: $(cat "$XDG_CONFIG_HOME/TOLVAN.INI")"
grep -qi "^Last=$site\$" "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "folder not kept"

start_tolvan "$WORK"
xdotool key F3
answer "Open" Escape
refocus
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "second run exited with status $EXIT_STATUS"
