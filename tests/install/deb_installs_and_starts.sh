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

# ls names each file missing from the package and fails.
(cd "$scratch/root" && ls usr/bin/tolvan usr/share/applications/tolvan.desktop usr/share/man/man1/tolvan.1 \
    usr/share/metainfo/io.github.tolvan.Tolvan.metainfo.xml usr/share/icons/hicolor/48x48/apps/tolvan.png \
    usr/share/icons/hicolor/scalable/apps/tolvan.svg >/dev/null)

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
