#!/usr/bin/env bash
# The Java client's side of the HDFS benchmark: writes and reads files of
# several sizes through the test cluster's Java FileSystem client and prints
# the best of several repetitions. The times are the client's own, measured
# inside the JVM: they leave out the command round trip.
#
# usage: java_client_bench.sh [--repeat N] [SIZE_MIB...]   (3; 16 64 256)
#
# Runs against the cluster of an enclosing `tests/hdfs/cluster.sh run`, or
# starts one of its own.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cluster_sh=$here/../../tests/hdfs/cluster.sh

if [ -z "${VRB_HDFS_CONTROL:-}" ]; then
  exec "$cluster_sh" run -- "${BASH_SOURCE[0]}" "$@"
fi

repeat=3
if [ "${1:-}" = "--repeat" ]; then
  repeat=$2
  shift 2
fi
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(16 64 256)

directory=/tmp/java-client-bench-$$
trap '"$cluster_sh" ctl delete "$directory" >/dev/null 2>&1 || true' EXIT

# min A B: the smaller of two decimal numbers.
min() {
  awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'
}

printf '%10s %10s %12s %10s %12s\n' "size MiB" "write s" "write MiB/s" "read s" "read MiB/s"
for size in "${sizes[@]}"; do
  bytes=$((size * 1024 * 1024))
  path=$directory/file-$size
  best_write= best_read=
  for ((run = 0; run < repeat; run++)); do
    best_write=$(min "$best_write" "$("$cluster_sh" ctl write "$path" "$bytes")")
    read -r got seconds <<<"$("$cluster_sh" ctl read "$path")"
    [ "$got" = "$bytes" ] || { echo "read $got bytes of $bytes" >&2; exit 1; }
    best_read=$(min "$best_read" "$seconds")
  done
  awk -v size="$size" -v w="$best_write" -v r="$best_read" \
    'BEGIN { printf "%10d %10.3f %12.1f %10.3f %12.1f\n", size, w, size / w, r, size / r }'
done
