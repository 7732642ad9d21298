#!/usr/bin/env bash
# Builds the fuzzers of fuzz/ with clang in build-fuzz/ and runs each for SECONDS (default 60),
# as many at once as there are cores. Each starts from a copy of its seeds in fuzz/corpus/, so
# the work tree is never written to. Prints how many inputs each tried; exits non-zero when any
# input broke a property, crashed, leaked or hung, and leaves that input in
# build-fuzz/findings/ with the command that replays it.
#
# usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-fuzz
jobs=$(nproc)

for tool in clang-14 clang++-14; do
  if ! command -v "$tool" >/dev/null; then
    echo "fuzz: $tool is missing; scripts/install-deps.sh installs it" >&2
    exit 1
  fi
done

CC=clang-14 CXX=clang++-14 cmake -S "$root/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j "$jobs"

mapfile -t targets < <(cd "$root/fuzz" && ls -1 *.cpp | sed 's/\.cpp$//')

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=$build/findings
mkdir -p "$findings"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

# One fuzzer for the time given; its log in $work/<name>.log, its status in $work/<name>.rc.
run_one() {
  local name=$1 extra=()
  mkdir -p "$work/corpus/$name"
  cp -r "$root/fuzz/corpus/$name/." "$work/corpus/$name/" 2>/dev/null || true
  [ -f "$root/fuzz/$name.dict" ] && extra+=(-dict="$root/fuzz/$name.dict")
  # fuzz/<name>.flags: further flags of that fuzzer, each with its reason beside it.
  if [ -f "$root/fuzz/$name.flags" ]; then
    mapfile -t -O "${#extra[@]}" extra < <(grep -v '^\s*\(#\|$\)' "$root/fuzz/$name.flags")
  fi
  # An input that takes 10 s is a hang; a page or settings file past 16 KB adds nothing that a
  # shorter one does not reach, and keeps the inputs quick.
  local rc=0
  (cd "$work" && "$build/fuzz_$name" "${extra[@]}" -max_total_time="$seconds" -timeout=10 \
       -max_len=16384 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/$name-" "$work/corpus/$name") >"$work/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$name.rc"
}

running=0
for name in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_one "$name" &
  running=$((running + 1))
done
wait

status=0
printf '%-18s %14s %10s  %s\n' fuzzer executions corpus result
for name in "${targets[@]}"; do
  log=$work/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  files=$(find "$work/corpus/$name" -type f | wc -l)
  if [ "$(cat "$work/$name.rc")" = 0 ]; then
    printf '%-18s %14s %10s  %s\n' "$name" "${runs:-?}" "$files" ok
  else
    status=1
    printf '%-18s %14s %10s  %s\n' "$name" "${runs:-?}" "$files" FOUND
    echo "---- fuzz_$name: the end of its log" >&2
    grep -v '^#[0-9]' "$log" | tail -n 40 >&2
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n1)
    [ -n "$artifact" ] && echo "replay: $build/fuzz_$name $artifact" >&2
  fi
done
exit "$status"
