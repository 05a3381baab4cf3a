#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole suite twice: a plain
# build in build/ and an AddressSanitizer + UndefinedBehaviorSanitizer build
# in build-asan/ (VRB_BUILD_DIR names another pair: DIR and DIR-asan); then
# cross-builds for Windows into build-windows/ and runs the suite under Wine
# (scripts/test-windows.sh; VRB_SKIP_WINDOWS=1 leaves it out). Between the
# two, the Debian package is installed, used and removed again
# (scripts/check-host-sdk.sh --deb-install).
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VRB_BUILD_DIR:-build}

scripts/install-deps.sh

# suite DIR [CMAKE OPTION...]: configure, build and test one build directory.
suite() {
  local dir=$1
  shift
  rm -f "$dir/ctest.log"
  cmake -S . -B "$dir" -G Ninja -DVRB_WERROR=ON "$@" &&
    cmake --build "$dir" &&
    (cd "$dir" && "${hdfs_run[@]}" ctest --output-on-failure -j2 2>&1 | tee ctest.log)
}

# Each suite's ctest runs under a fresh test HDFS; tests find it through
# VRB_HDFS_HTTP. Built here once so that a Maven failure shows on its own.
hdfs_run=("$root/tests/hdfs/cluster.sh" run --)
if ! tests/hdfs/cluster.sh build; then
  echo "test.sh: the test HDFS did not build; the HDFS tests have no cluster" >&2
  hdfs_run=()
  hdfs_failed=1
fi

status=0
[ -z "${hdfs_failed:-}" ] || status=1
suite "$build" || status=1
suite "$build-asan" -DVRB_SANITIZE=ON || status=1

# The Debian package installed into this machine with apt-get and removed
# again (the suites check it unpacked); as root only, VRB_SKIP_DEB_INSTALL=1
# leaves it out.
if [ "${VRB_SKIP_DEB_INSTALL:-}" != 1 ] && [ "$(id -u)" = 0 ]; then
  scripts/check-host-sdk.sh --deb-install "$build" || status=1
fi

dirs=("$build" "$build-asan")
if [ "${VRB_SKIP_WINDOWS:-}" != 1 ]; then
  windows=${VRB_WINDOWS_BUILD_DIR:-build-windows}
  rm -f "$windows/ctest.log"
  scripts/test-windows.sh || status=1
  dirs+=("$windows")
fi

for dir in "${dirs[@]}"; do
  echo "== $dir =="
  if [ -f "$dir/ctest.log" ]; then
    grep -E 'tests passed|Total Test time' "$dir/ctest.log" || echo "ctest gave no summary"
  else
    echo "did not build"
  fi
done
exit $status
