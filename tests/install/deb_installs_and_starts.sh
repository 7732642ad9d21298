#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, checks what it holds and what it
# depends on, and starts the unpacked program headless.
set -euo pipefail
build=${1:?build directory}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/tolvan_*.deb)
dpkg-deb -x "$deb" "$scratch/root"

for f in usr/bin/tolvan usr/share/applications/tolvan.desktop \
         usr/share/metainfo/io.github.tolvan.Tolvan.metainfo.xml usr/share/man/man1/tolvan.1 \
         usr/share/icons/hicolor/48x48/apps/tolvan.png usr/share/icons/hicolor/scalable/apps/tolvan.svg; do
    [ -e "$scratch/root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 qt6-qpa-plugins fonts-liberation2; do
    grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done

"$scratch/root/usr/bin/tolvan" --version | grep -q '^tolvan 1.61$'

# Headless start: still running (not crashed) after two seconds.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/tolvan" &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the installed program did not stay up"; exit 1; }
kill "$pid"; wait "$pid" 2>/dev/null || true
