#!/usr/bin/env bash
# Cross-builds for Windows (scripts/build-windows.sh) and runs the whole
# suite under Wine, in a Wine prefix of the build directory's own, around a
# test HDFS (tests/hdfs/cluster.sh). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VRB_WINDOWS_BUILD_DIR:-build-windows}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

started=$(date +%s)
scripts/build-windows.sh
built=$(date +%s)

# Wine's own errors stay on, so that a program Wine fails to start says why;
# the suite passes with them on. (A leading -all also keeps Debian's wine
# script from printing its hint about the 32-bit loader.)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all,err+all
# The C runtime reads TZ in its own form and misreads zone names such as
# Europe/Berlin; without it, Windows programs take the system's zone, the
# zone of the Linux side.
unset TZ
# The first start creates the prefix; it is not to be timed with a test.
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
# One persistent server for every test process: without it each Wine start
# sets up a server (and boots the prefix) of its own and the process-heavy
# suites take many minutes. A server needs its prefix to exist, so it starts
# once the first start's own server has gone. Its output must not stay
# attached, or ctest waits for it.
wineserver -w >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# The prefix's background services start with the first program the server
# runs and live as long as it does; started here, with output detached, they
# do not hold a test's output open after the test has ended.
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

# Starts that Wine failed and cmake/wine-run.sh made again.
export VRB_WINE_RESTARTS="$build/wine-restarts.log"
rm -f "$VRB_WINE_RESTARTS"

status=0
# The Hadoop tests reach the same kind of test HDFS as the Linux suites, a
# fresh one started around ctest; the Windows programs reach it on
# 127.0.0.1 (tests find it through VRB_HDFS_HTTP, which Wine passes on).
hdfs_run=("$root/tests/hdfs/cluster.sh" run --)
if ! tests/hdfs/cluster.sh build; then
  echo "test-windows.sh: the test HDFS did not build; the HDFS tests have no cluster" >&2
  hdfs_run=()
  status=1
fi
(cd "$build" && "${hdfs_run[@]}" ctest --output-on-failure -j2 2>&1 | tee ctest.log) || status=1
finished=$(date +%s)
echo "== $build (Windows, under Wine) =="
grep -E 'tests passed|Total Test time' "$build/ctest.log" || echo "ctest gave no summary"
if [ -s "$VRB_WINE_RESTARTS" ]; then
  echo "Wine failed to start a program $(wc -l <"$VRB_WINE_RESTARTS") time(s); each was started again ($VRB_WINE_RESTARTS)"
fi
echo "build $((built - started)) s, suite $((finished - built)) s"
exit $status
