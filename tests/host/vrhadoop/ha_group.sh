#!/bin/sh
# The tests that need an HA cluster (ctest entry vrhadoop_cluster_ha), under
# one cluster started for them (cluster.sh run --ha): the HighAvailability
# tests and the other cluster tests through the standby's address, then the
# conformance cases through the service, where listing entries take
# "namenodes" over. The resume test is left out (vrhadoop_cluster_resume runs
# it): it stops the DataNode that the HighAvailability read test needs.
#
#   ha_group.sh CLUSTER_SH CLUSTER_TESTS [CONFORMANCE_TESTS [NAMESERVICE_TESTS]]
#
# Like the other HDFS tests it counts as skipped (77) when no cluster runs
# the suite, unless CI=true.
set -eu
if [ "${1:-}" != --inside ]; then
  [ -n "${VRB_HDFS_HTTP:-}" ] || [ "${CI:-}" = true ] || exit 77
  cluster_sh=$1
  shift
  exec "$cluster_sh" run --ha -- "$0" --inside "$@"
fi
shift
"$1" --gtest_filter='HighAvailability.*:HdfsCluster.*-*ResumesOnTheOtherReplica*:*NotYetTakenForDead*'
if [ -n "${2:-}" ] && [ -x "$2" ]; then
  "$2" --gtest_filter='*/hdfs:*/hdfs_*'
fi
if [ -n "${3:-}" ] && [ -x "$3" ]; then
  "$3"
fi
