#!/usr/bin/env bash
# Runs the HDFS benchmark on a fresh test cluster.
# usage: bench/hdfs/run.sh [--size-mib N] [--runs N]   (build/ must be built)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${VRB_BUILD_DIR:-$root/build}
export VRB_HDFS_CLUSTER_SH=$root/tests/hdfs/cluster.sh
exec "$VRB_HDFS_CLUSTER_SH" run -- "$build/bin/hdfs_bench" "$@"
