#!/usr/bin/env bash
# vrbio ls -R over an HDFS tree of FILES files in DIRS directories against
# the Java client's recursive listing as a user meets it: a JVM started for
# the listing, as `hdfs dfs -ls -R` is, that walks FileSystem.listStatus
# over the NameNode's RPC port and prints a row per entry (ListTree.java).
# Both run against the same test cluster, which pages listings at 1000
# entries as a real one does; best of RUNS elapsed and processor times.
#   bench/hdfs/ls_tree.sh [--files N] [--dirs N] [--runs N]
# (build/ built; the cluster program built by tests/hdfs/cluster.sh build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cluster_sh=$root/tests/hdfs/cluster.sh
if [ -z "${VRB_HDFS_CONTROL:-}" ]; then
  exec "$cluster_sh" run --ls-limit 1000 -- "${BASH_SOURCE[0]}" "$@"
fi
files=10000 dirs=100 runs=5 vrbio=${VRB_BUILD_DIR:-$root/build}/bin/vrbio
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --dirs) dirs=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: $0 [--files N] [--dirs N] [--runs N]" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d /tmp/hdfs-ls-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The client classes: the ones the cluster program was built with.
classpath=$root/tests/hdfs/target/mini-hdfs-1.0.jar:$(cat "$root/tests/hdfs/target/runtime-classpath.txt")
javac -nowarn -d "$work" -cp "$classpath" "$root/bench/hdfs/ListTree.java"
client=(java -cp "$work:$classpath" ListTree)

# The NameNode's RPC address, which its HTTP server reports.
rpc=$(curl -sf "http://$VRB_HDFS_HTTP/jmx?qry=Hadoop:service=NameNode,name=NameNodeStatus" |
  python3 -c 'import json, sys; print(json.load(sys.stdin)["beans"][0]["HostAndPort"])')
tree=/bench-tree-$$
"${client[@]}" make "hdfs://$rpc$tree" "$dirs" "$files" 2>"$work/make.log" || { cat "$work/make.log" >&2; exit 1; }

vrbio_command=("$vrbio" ls -R "hadoop://$VRB_HDFS_HTTP$tree?user=$VRB_HDFS_SUPERUSER")
java_command=("${client[@]}" list "hdfs://$rpc$tree")
rows_vrbio=$("${vrbio_command[@]}" | wc -l)
rows_java=$("${java_command[@]}" 2>/dev/null | wc -l)
[ "$rows_vrbio" = "$rows_java" ] || { echo "vrbio lists $rows_vrbio rows, the Java client $rows_java" >&2; exit 1; }

# Best of `runs` elapsed and processor (user + system) seconds, output discarded.
best() {
  local best_elapsed="" best_cpu="" line
  for _ in $(seq "$runs"); do
    line=$(/usr/bin/time -f '%e %U %S' "$@" 2>&1 >/dev/null | tail -1)
    read -r elapsed user system <<<"$line"
    best_elapsed=$(python3 -c "print(min($elapsed, ${best_elapsed:-$elapsed}))")
    best_cpu=$(python3 -c "print(round(min($user + $system, ${best_cpu:-$user + $system}), 2))")
  done
  echo "$best_elapsed $best_cpu"
}
read -r vrbio_elapsed vrbio_cpu <<<"$(best "${vrbio_command[@]}")"
read -r java_elapsed java_cpu <<<"$(best "${java_command[@]}")"
echo "ls -R on HDFS, $rows_vrbio entries ($files files in $dirs directories), best of $runs:"
echo "  elapsed: vrbio ${vrbio_elapsed}s, Java client ${java_elapsed}s, ratio $(python3 -c "print('%.2f' % ($vrbio_elapsed / $java_elapsed))")"
echo "  processor time of the client: vrbio ${vrbio_cpu}s, Java client ${java_cpu}s, ratio $(python3 -c "print('%.2f' % ($vrbio_cpu / max($java_cpu, 0.01)))")"
