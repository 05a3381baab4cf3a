#!/usr/bin/env bash
# Runs the HDFS benchmark on a fresh test cluster, with vrbio, and with the
# Windows vrbio.exe under Wine when build-windows/ holds one
# (scripts/build-windows.sh).
# usage: bench/hdfs/run.sh [--size-mib N] [--runs N]   (build/ must be built)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${VRB_BUILD_DIR:-$root/build}
export VRB_HDFS_CLUSTER_SH=$root/tests/hdfs/cluster.sh
windows=${VRB_WINDOWS_BUILD_DIR:-$root/build-windows}
clients=(--vrbio "$build/bin/vrbio")
if [ -x "$windows/bin/vrbio.exe" ] && command -v wine >/dev/null; then
  export WINEPREFIX=${WINEPREFIX:-$windows/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
  clients+=(--windows-vrbio "$windows/bin/vrbio.exe")
fi
exec "$VRB_HDFS_CLUSTER_SH" run -- "$build/bin/hdfs_bench" "$@" "${clients[@]}"
