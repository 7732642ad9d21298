#!/usr/bin/env bash
# The test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (TOLVAN_SANITIZE) in
# build-sanitize/, run headless. Any leak, bad access or undefined behaviour fails its test:
# the sanitizers stop the program at the first report and exit non-zero.
#
# Left out: deb_installs_and_starts, which packages and installs the program (a sanitized
# package says nothing the normal one does not, and it costs minutes), and the e2e scripts,
# which drive the real program under Xvfb with fixed waits and would more than double the run;
# every line of code they reach is reached by the Qt Test programs too.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-sanitize
jobs=$(nproc)

# -O1 rather than the release -O2: what the sanitizers' authors advise, and it halves the
# compile time. Line tables (-g1) are all a report's stack needs.
cmake -S "$root" -B "$build" -DTOLVAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null

# Only the test programs: the icons, the packaging and the program itself serve tests left out.
# (The target list reads "... tst_x" from make and "tst_x: phony" from Ninja.)
mapfile -t programs < <(cmake --build "$build" --target help |
  sed -n -e 's/^\.\.\. \(tst_[A-Za-z0-9_]*\).*/\1/p' -e 's/^\(tst_[A-Za-z0-9_]*\): .*/\1/p' |
  grep -v '_autogen$' | sort -u)
if [ ${#programs[@]} -eq 0 ]; then
  echo "sanitize: no test programs found in $build" >&2
  exit 1
fi
cmake --build "$build" -j "$jobs" --target "${programs[@]}"

# The first report ends the program with a failure; leaks are looked for at every exit, and
# the order of static initialisation is checked. Not stack use after return: it doubles the
# time of the saving tests, and the compiler's -Wreturn-local-addr already catches its usual case.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1
export ASAN_OPTIONS=$ASAN_OPTIONS:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Only leaks of libraries that keep memory for the life of the process; each has its reason.
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
# The killed-save trials count their outcomes in the normal run; here a few show the memory use.
export TOLVAN_KILL_TRIALS=30

cd "$build"
ctest --output-on-failure -j "$jobs" -E '^(deb_installs_and_starts|e2e_.*)$'
