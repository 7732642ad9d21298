#!/usr/bin/env bash
# `make bench`: every benchmark, each figure printed as median, min and max of several runs
# beside a comparison measured in the same run, and the targets each figure is held to.
#
#   start-up     exec to the main window mapped (the X server's MapNotify), and VmRSS one second
#                later: Tolvan, an empty Qt 6 window with a plain-text editor (the floor) and
#                FeatherPad (a general text editor, from Debian's archive), a fresh HOME per run
#   open a page  `tolvan PAGE` until the title names the page and the process is idle, against
#                FeatherPad opening the same page; VmRSS half a second after that idle moment
#   keystrokes   key event to the end of its repaint in the main window on X, word wrap on,
#                at the start, middle and end of big pages and inside one long line
#                (bench/keylatency.cpp)
#   in-process   markup, Find Next, Select All + Bold, load and save, the file list
#                (bench/inprocess.cpp)
#
# Environment: BUILD_DIR (default build) holds the built program; TOLVAN names it directly.
# BENCH_RUNS (default 7) sets the runs of the process figures; BENCH_QUICK=1 makes a short
# trial run. Takes about five minutes on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build}
TOLVAN=$(realpath "${TOLVAN:-$BUILD_DIR/tolvan}")
RUNS=${BENCH_RUNS:-7}
QUICK=${BENCH_QUICK:-0}
[ "$QUICK" = 1 ] && RUNS=3
[ -x "$TOLVAN" ] || { echo "bench: no program at $TOLVAN (run make build)" >&2; exit 1; }

# ---- what the benchmarks need ----------------------------------------------------------------
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in xvfb libxcb1-dev; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    echo "bench: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
# The comparison editor, only ever run as a black box to time it.
if ! installed featherpad; then
    echo "bench: installing featherpad from Debian's archive"
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends \
        featherpad >/dev/null 2>&1 ||
        { DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get update -q >/dev/null &&
          DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y \
              --no-install-recommends featherpad >/dev/null; } ||
        echo "bench: featherpad could not be installed; its columns stay empty" >&2
fi
FEATHERPAD=$(command -v featherpad || true)

# The bench programs come with the top-level build once it includes this folder; until then
# they are built here, beside it.
if grep -Eq '^[[:space:]]*add_subdirectory\(bench\)' CMakeLists.txt &&
    [ -x "$BUILD_DIR/bench/tolvan_bench" ]; then
    BENCH_BIN=$(realpath "$BUILD_DIR/bench")
else
    BENCH_BIN=${BENCH_BUILD_DIR:-$BUILD_DIR/bench-standalone}
    echo "bench: building the bench programs in $BENCH_BIN"
    cmake -S bench -B "$BENCH_BIN" >/dev/null
    cmake --build "$BENCH_BIN" -j "$(nproc)" >/dev/null
    BENCH_BIN=$(realpath "$BENCH_BIN")
fi
for program in mapprobe emptywindow tolvan_bench keylatency; do
    [ -x "$BENCH_BIN/$program" ] || { echo "bench: $program was not built" >&2; exit 1; }
done

# ---- a private display and scratch space -----------------------------------------------------
WORK=$(mktemp -d /tmp/tolvan-bench.XXXXXX)
XVFB_PID=
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
source scripts/xvfb.sh # (the working folder is the project's)
start_xvfb "$WORK" || exit 1

# Runs a command as a first start: an empty home of its own (settings, caches, state), working
# in it, no session bus, on the private display.
homes=0
fresh() {
    homes=$((homes + 1))
    local home=$WORK/home$homes
    mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$home/.local/state" "$home/run"
    chmod 700 "$home/run"
    (cd "$home" && env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_DATA_HOME="$home/.local/share" XDG_STATE_HOME="$home/.local/state" \
        XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/no-bus" \
        LANG="${LANG:-C.UTF-8}" ${LC_ALL:+LC_ALL="$LC_ALL"} "$@")
    rm -rf "$home"
}

# ---- figures ---------------------------------------------------------------------------------
# stats V...: "median min max" of the values.
stats() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "%s %s %s\n", m, v[1], v[NR] }'
}
fmt() { awk -v x="$1" 'BEGIN { printf(x >= 100 ? "%.0f" : "%.2f", x) }'; }
# row WHAT "MEDIAN MIN MAX" [COMPARISON COMPARISON-MEDIAN [TARGET HOLDS]]
row() {
    local what=$1 median min max vs=- ratio=- verdict=
    read -r median min max <<<"$2"
    if [ -n "${3:-}" ] && [ -n "${4:-}" ]; then
        vs="$3 $(fmt "$4")"
        ratio=$(awk -v a="$median" -v b="$4" 'BEGIN { printf "%.2f", a / b }')
    fi
    [ -n "${5:-}" ] && verdict="$5  $([ "$6" = 1 ] && echo HOLDS || echo MISSED)"
    printf '%-44s %9s %9s %9s   %-32s %7s   %s\n' "$what" "$(fmt "$median")" "$(fmt "$min")" \
        "$(fmt "$max")" "$vs" "$ratio" "$verdict" | tee -a "$WORK/rows.txt"
}
holds() { awk "BEGIN { exit !($1) }" && echo 1 || echo 0; }
value() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
median_of() { stats "$@" | cut -d' ' -f1; }
# mib OUTPUT: the rss_kb a probe reported, in MiB.
mib() { awk -v k="$(value rss_kb "$1")" 'BEGIN { print k / 1024 }'; }

probe() { fresh "$BENCH_BIN/mapprobe" "$@"; }

# Other work on the machine slows every figure; the load average tells how much to trust them.
echo "Tolvan benchmarks: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores," \
    "$RUNS runs per process figure"
echo "  load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "  program:    $TOLVAN"
echo "  comparison: ${FEATHERPAD:-(FeatherPad not installed)}" \
    "$(dpkg-query -W -f='${Version}' featherpad 2>/dev/null || true)"
printf '\n%-44s %9s %9s %9s   %-32s %7s   %s\n' "figure (milliseconds unless named)" median min \
    max "comparison (median)" ratio target

# ---- start-up --------------------------------------------------------------------------------
echo
echo "Start-up: exec to main window mapped; VmRSS 1 s after the map (fresh HOME each run)"
names=(tolvan empty)
commands=("$TOLVAN" "$BENCH_BIN/emptywindow")
if [ -n "$FEATHERPAD" ]; then
    names+=(featherpad)
    commands+=("$FEATHERPAD")
fi
declare -A map rss
for n in "${names[@]}"; do map[$n]=; rss[$n]=; done
# One unrecorded round first, so every program starts with its files in the page cache; then
# the programs take turns, so a passing disturbance touches them all alike.
for round in $(seq 0 "$RUNS"); do
    for i in "${!names[@]}"; do
        out=$(probe --rss-after 1000 -- "${commands[$i]}") ||
            { echo "bench: ${names[$i]} did not start" >&2; exit 1; }
        [ "$round" = 0 ] && continue
        map[${names[$i]}]+=" $(value map_ms "$out")"
        rss[${names[$i]}]+=" $(awk -v k="$(value rss_kb "$out")" 'BEGIN { print k / 1024 }')"
    done
done
# shellcheck disable=SC2086
{
    t_med=$(median_of ${map[tolvan]})
    e_med=$(median_of ${map[empty]})
    row "Start-up, empty Qt 6 window (floor)" "$(stats ${map[empty]})"
    if [ -n "$FEATHERPAD" ]; then
        f_med=$(median_of ${map[featherpad]})
        row "Start-up, FeatherPad" "$(stats ${map[featherpad]})"
        row "Start-up, Tolvan vs FeatherPad" "$(stats ${map[tolvan]})" FeatherPad "$f_med" \
            "<=0.6x" "$(holds "$t_med <= 0.6 * $f_med")"
    fi
    row "Start-up, Tolvan vs empty window" "$(stats ${map[tolvan]})" "empty" "$e_med" \
        "<=1.6x" "$(holds "$t_med <= 1.6 * $e_med")"
    r_med=$(median_of ${rss[tolvan]})
    row "RSS (MiB), empty Qt 6 window" "$(stats ${rss[empty]})"
    [ -n "$FEATHERPAD" ] && row "RSS (MiB), FeatherPad" "$(stats ${rss[featherpad]})"
    # 45 MB read strictly as 45,000,000 bytes.
    row "RSS (MiB), Tolvan" "$(stats ${rss[tolvan]})" "empty" "$(median_of ${rss[empty]})" \
        "<=45MB" "$(holds "$r_med * 1048576 <= 45000000")"
}

# ---- open a page -----------------------------------------------------------------------------
echo
echo "Open a page named on the command line: exec until the title names it and the CPU is idle"
mkdir -p "$WORK/pages"
sizes=(64K 1M 10M)
[ "$QUICK" = 1 ] && sizes=(64K 10M)
for size in "${sizes[@]}"; do
    page=$WORK/pages/page-$size.htm
    bytes=$(numfmt --from=iec "$size")
    "$BENCH_BIN/tolvan_bench" --make-page "$bytes" "$page"
    t_runs= f_runs= t_cpu= f_cpu= t_rss= f_rss=
    for round in $(seq 0 "$RUNS"); do
        out=$(probe --title "Tolvan v1.61 - $page" --rss-after 500 -- "$TOLVAN" "$page") ||
            { echo "bench: tolvan did not open $page" >&2; exit 1; }
        [ "$round" -gt 0 ] && t_runs+=" $(value idle_ms "$out")" t_cpu+=" $(value cpu_ms "$out")" \
            t_rss+=" $(mib "$out")"
        if [ -n "$FEATHERPAD" ]; then
            out=$(probe --title "$(basename "$page")" --rss-after 500 -- "$FEATHERPAD" "$page") ||
                { echo "bench: featherpad did not open $page" >&2; exit 1; }
            [ "$round" -gt 0 ] && f_runs+=" $(value idle_ms "$out")" \
                f_cpu+=" $(value cpu_ms "$out")" f_rss+=" $(mib "$out")"
        fi
    done
    # shellcheck disable=SC2086
    if [ -n "$FEATHERPAD" ]; then
        f_med=$(median_of $f_runs)
        row "Open $size page, FeatherPad" "$(stats $f_runs)"
        if [ "$size" = 10M ]; then
            row "Open $size page, Tolvan" "$(stats $t_runs)" FeatherPad "$f_med" "<=0.5x" \
                "$(holds "$(median_of $t_runs) <= 0.5 * $f_med")"
            # The CPU time each spent (utime+stime at the idle moment, 10 ms ticks): the work
            # itself, apart from waiting on the X server and on whatever else the machine runs.
            row "Open $size page, CPU time, FeatherPad" "$(stats $f_cpu)"
            row "Open $size page, CPU time, Tolvan" "$(stats $t_cpu)" FeatherPad \
                "$(median_of $f_cpu)"
        else
            row "Open $size page, Tolvan" "$(stats $t_runs)" FeatherPad "$f_med"
        fi
    else
        row "Open $size page, Tolvan" "$(stats $t_runs)"
    fi
    # The memory the open page keeps, idle; the big page is held to a share of the peer's.
    # shellcheck disable=SC2086
    if [ "$size" != 64K ]; then
        if [ -n "$FEATHERPAD" ]; then
            fr_med=$(median_of $f_rss)
            row "RSS (MiB), $size page open, FeatherPad" "$(stats $f_rss)"
            if [ "$size" = 10M ]; then
                row "RSS (MiB), $size page open, Tolvan" "$(stats $t_rss)" FeatherPad "$fr_med" \
                    "<=0.6x" "$(holds "$(median_of $t_rss) <= 0.6 * $fr_med")"
            else
                row "RSS (MiB), $size page open, Tolvan" "$(stats $t_rss)" FeatherPad "$fr_med"
            fi
        else
            row "RSS (MiB), $size page open, Tolvan" "$(stats $t_rss)"
        fi
    fi
done

# ---- keystrokes ------------------------------------------------------------------------------
# The program's own window on the private display; ordinary pages and minified one-line pages.
"$BENCH_BIN/tolvan_bench" --make-page 10240 "$WORK/pages/keys-10K.htm"
"$BENCH_BIN/tolvan_bench" --make-page 1048576 "$WORK/pages/keys-1M.htm"
"$BENCH_BIN/tolvan_bench" --make-page 10485760 "$WORK/pages/keys-10M.htm"
"$BENCH_BIN/tolvan_bench" --make-line 204800 "$WORK/pages/line-200K.htm"
"$BENCH_BIN/tolvan_bench" --make-line 2097152 "$WORK/pages/line-2M.htm"
fresh "$BENCH_BIN/keylatency" --runs "$([ "$QUICK" = 1 ] && echo 3 || echo 9)" \
    "$WORK/pages/keys-10K.htm" "$WORK/pages/keys-1M.htm" "$WORK/pages/keys-10M.htm" \
    "$WORK/pages/line-200K.htm" "$WORK/pages/line-2M.htm" | tee -a "$WORK/rows.txt"

# ---- in-process ------------------------------------------------------------------------------
quick_flag=()
[ "$QUICK" = 1 ] && quick_flag=(--quick)
fresh env QT_QPA_PLATFORM=offscreen "$BENCH_BIN/tolvan_bench" "${quick_flag[@]}" |
    tail -n +2 | tee -a "$WORK/rows.txt"

echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Targets"
grep -E 'HOLDS|MISSED' "$WORK/rows.txt" | awk '{ print "  " $0 }'
missed=$(grep -c 'MISSED' "$WORK/rows.txt" || true)
echo "$((missed)) target(s) missed."
