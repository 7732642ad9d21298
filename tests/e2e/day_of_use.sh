#!/usr/bin/env bash
# A day of use. The first run starts with the settings of an earlier one (Microsoft-like keys,
# the side panel's folder) and a page named on the command line; the window as first seen is
# saved as a picture for the README (build/screenshots/main-window.png). About and Quick Help;
# a page opened from the side panel, put in bold by its key, saved with the scheme's key; Find
# bringing the main window up; the scheme switched; Alt+X answering No to saving what was
# typed since. The next run has the Original keys: F3 opens a page through the Open dialog.
source "$(dirname "$0")/lib.sh"

site="$WORK/site"
mkdir -p "$site/images" "${TOLVAN%/*}/screenshots"
printf '<HTML>\n<HEAD>\n<TITLE>My garden</TITLE>\n</HEAD>\n<BODY>\n<H1>My garden</H1>\n<P>In spring the <B>tulips</B> come first, then the <I>lilacs</I>.\n<TABLE>\n  <TR>\n    <TD>Tulips</TD>\n    <TD>April</TD>\n</TABLE>\n</BODY>\n</HTML>\n' >"$site/index.htm"
printf 'garden notes\r\n' >"$site/garden.htm"
printf '[Directories]\nLast=%s\n[Shortcuts]\nScheme=1\n' "$site" >"$XDG_CONFIG_HOME/TOLVAN.INI"

launch site/index.htm
main_window "$site/index.htm"
xwd -silent -id "$WINDOW" | convert xwd:- "${TOLVAN%/*}/screenshots/main-window.png"
for item in "a About" "q Quick Help"; do
    xdotool key alt+h "${item%% *}"
    answer "${item#* }" Return
    refocus
done

# Double-click the first page of the file list (menu bar 20, toolbar 33, list top 36), then
# click back into the editor.
width=$(xdotool getwindowgeometry --shell "$WINDOW" | sed -n 's/^WIDTH=//p')
xdotool mousemove --window "$WINDOW" $((width - 162 + 40)) $((20 + 33 + 36 + 10)) click --repeat 2 --delay 80 1
main_window "$site/garden.htm"
xdotool mousemove --window "$WINDOW" 100 200 click 1
sleep 0.3
xdotool key --delay 40 ctrl+Home shift+ctrl+Right shift+Left ctrl+b ctrl+s alt+e f
answer "Find" ctrl+a
xdotool type --delay 20 "notes"
xdotool key Return
sleep 0.3
xwininfo -root -children | grep -m1 -E '"(Find|Tolvan v1.61 - [^"]*)"' | grep -q '"Tolvan' ||
    fail "the main window stayed behind the Find dialog"
refocus
xdotool key --delay 80 alt+o Down Down Down Right Return
sleep 0.2
xdotool type --delay 20 "unsaved"
xdotool key alt+x
answer "Confirm" n
exits_cleanly
[ "$(od -c <"$site/garden.htm")" = "$(printf '<B>garden</B> notes\r\n' | od -c)" ] ||
    fail "garden.htm holds: $(od -c <"$site/garden.htm")"
grep -qi '^Scheme=0' "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "scheme not saved"
grep -qi "^Last=$site\$" "$XDG_CONFIG_HOME/TOLVAN.INI" || fail "folder not kept"

launch
main_window
xdotool key F3
answer "Open" ctrl+a
xdotool type --delay 20 "$site/index.htm"
xdotool key Return
main_window "$site/index.htm"
xdotool key alt+x
exits_cleanly
