#!/usr/bin/env bash
# A day of use: start with the settings of an earlier run, open a page from the side panel,
# mark it up from the menus, the keys and the toolbar, find and replace, save with the
# scheme's key, switch the shortcut scheme, quit, start again and find everything as left.
source "$(dirname "$0")/lib.sh"

site="$WORK/site"
mkdir -p "$site"
printf 'garden notes\r\ntulips and tulips\r\n' >"$site/garden.htm"
printf 'zoo\r\n' >"$site/zoo.htm"
cat >"$XDG_CONFIG_HOME/TOLVAN.INI" <<INI
[Window]
Top=0
Left=0
Width=600
Height=480
[Colors]
Back=clBlack
Font=clLime
[Directories]
Last=$site
[Shortcuts]
Scheme=1
INI

start_display
start_tolvan "$WORK"

# Double-click the first page of the file list (menu bar 20, toolbar 33, list top 36).
width=$(xdotool getwindowgeometry --shell "$WINDOW" | sed -n 's/^WIDTH=//p')
xdotool mousemove --window "$WINDOW" $((width - 162 + 40)) $((20 + 33 + 36 + 10)) click --repeat 2 --delay 80 1
timeout 20 xdotool search --sync --onlyvisible --name "Tolvan v1.61 - $site/garden.htm" >/dev/null ||
    fail "the double-clicked page did not open"
xdotool mousemove --window "$WINDOW" 100 200 click 1   # back into the editor
sleep 0.3

# "garden" in bold by its key; at the end a line break from the Structures menu by its access
# keys, then the Table button of the toolbar.
xdotool key --delay 40 ctrl+Home shift+ctrl+Right shift+Left ctrl+b
xdotool key --delay 40 ctrl+End alt+s l
xdotool mousemove --window "$WINDOW" $((390 + 12)) $((20 + 4 + 12)) click 1
sleep 0.2

# Replace every "tulips" with "roses".
xdotool key alt+e e
answer "Replace" ctrl+a
xdotool type --delay 20 "tulips"
xdotool key Tab
xdotool type --delay 20 "roses"
xdotool key alt+a Escape
refocus

# Save with the Microsoft-like key, then switch to the Original scheme and quit.
xdotool key ctrl+s
sleep 0.3
xdotool key --delay 80 alt+o Down Down Down Right Return
sleep 0.2
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "tolvan exited with status $EXIT_STATUS"

expected=$(printf '<B>garden</B> notes\r\nroses and roses\r\n<BR><TABLE>\r\n  <TR>\r\n    <TD></TD>\r\n    <TD></TD>\r\n  <TR>\r\n    <TD></TD>\r\n    <TD></TD>\r\n</TABLE>\r\n' | od -c)
actual=$(od -c <"$site/garden.htm")
[ "$expected" = "$actual" ] || fail "the saved page is not as typed:
$actual"
grep -qi '^Scheme=0' "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "scheme not saved: $(cat "$XDG_CONFIG_HOME/TOLVAN.INI")"
grep -qi "^Last=$site\$" "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "folder not kept"
grep -qi '^Back=clBlack' "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "colour not kept"

# The next start: F2 saves now (Original scheme); the folder is the one left.
start_tolvan "$WORK"
xdotool key F3
answer "Open" Escape
refocus
xdotool key alt+x
wait_exit
[ "$EXIT_STATUS" = 0 ] || fail "second run exited with status $EXIT_STATUS"
