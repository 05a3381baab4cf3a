#!/usr/bin/env bash
# An HDFS for the Hadoop backend's tests and benchmark: one DataNode, or
# several with as many replicas of each block.
#
#   cluster.sh build                 build the Java program and its class path
#                                    (quick when up to date)
#   cluster.sh run [--datanodes N] [--secure | --ha] [--ls-limit N] [--] COMMAND...
#                                    start a cluster, run COMMAND with the
#                                    variables below, stop the cluster; exits
#                                    with COMMAND's status. --secure: Kerberos
#                                    (a KDC of its own) and HTTPS only. --ha:
#                                    two NameNodes, the first on standby, the
#                                    second active (and two DataNodes unless
#                                    --datanodes says otherwise). --ls-limit:
#                                    entries per listing page (5, so that
#                                    tests page; a real cluster has 1000)
#   cluster.sh ctl COMMAND...        send one command (write, read, md5,
#                                    delete, datanodes, stopdatanode,
#                                    failover, ping)
#                                    to the cluster that `run`
#                                    started; prints the reply without "OK",
#                                    exits 1 on ERR
#
# COMMAND sees:
#   VRB_HDFS_HTTP        127.0.0.1:PORT, the NameNode's HTTP (WebHDFS) address
#                        (with --ha the first NameNode's: the standby)
#   VRB_HDFS_NAMENODES   every NameNode's HTTP address, separated by ","
#   VRB_HDFS_SUPERUSER   the user name with HDFS superuser rights
#   VRB_HDFS_BLOCK_SIZE  the block size in bytes
#   VRB_HDFS_LS_LIMIT    entries per listing page
#   VRB_HDFS_DATANODES   the number of DataNodes, and of replicas per block
#   VRB_HDFS_CONTROL     FIFO that takes command lines
#   VRB_HDFS_REPLY       file that the replies are appended to
#   VRB_HDFS_LOG         the cluster's log
#   VRB_HDFS_CONF_DIR    a client configuration (core-site.xml, hdfs-site.xml)
#                        naming the NameNodes as nameservice "vrbtest", the
#                        default file system, for HADOOP_CONF_DIR
# and with --secure (VRB_HDFS_HTTP is then localhost:PORT, over https):
#   VRB_HDFS_SECURE      1
#   VRB_HDFS_KRB5_CONF   krb5.conf naming the cluster's KDC and realm
#   VRB_HDFS_KEYTAB      keytab of the test user, for kinit -kt
#   VRB_HDFS_PRINCIPAL   the test user's principal (USER@REALM)
#   VRB_HDFS_CA_FILE     PEM file of the CA that signed the cluster's certificates
#
# Settings from the environment: VRB_HDFS_START_TIMEOUT (seconds, 180),
# VRB_HDFS_JAVA_OPTS (default -Xmx1g), VRB_HDFS_CTL_TIMEOUT (seconds, 600).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
target=$here/target
jar=$target/mini-hdfs-1.0.jar
maven_classpath=$target/classpath.txt
classpath_file=$target/runtime-classpath.txt
class_archive=$target/mini-hdfs.jsa
stamp=$target/build.stamp

block_size=1048576
ls_limit=5

die() {
  echo "cluster.sh: $*" >&2
  exit 1
}

# A newer JDK invalidates the class archive, so it counts as a change.
build_is_current() {
  [ -f "$stamp" ] && [ -f "$jar" ] && [ -f "$classpath_file" ] &&
    [ -z "$(find "$here/pom.xml" "$here/src" "$(readlink -f "$(command -v java)")" -newer "$stamp" -print -quit)" ]
}

# set_cluster_command [JVM OPTION...] [-- PROGRAM ARGUMENT...]: sets the array
# cluster_command to the java command line that runs the cluster program.
set_cluster_command() {
  local jvm=() java_opts
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    jvm+=("$1")
    shift
  done
  [ "${1:-}" = "--" ] && shift
  read -r -a java_opts <<<"${VRB_HDFS_JAVA_OPTS:--Xmx1g}"
  # JVM warnings go to stderr: standard output is the program's protocol.
  cluster_command=(java "${java_opts[@]}" -XX:-UsePerfData -Xlog:disable -Xlog:all=warning:stderr
    "${jvm[@]}" -cp "$jar:$(cat "$classpath_file")" vrbaseio.hdfs.MiniHdfs "$@")
}

build() {
  build_is_current && return 0
  command -v mvn >/dev/null || die "mvn not found (install maven)"
  command -v java >/dev/null || die "java not found (install a JDK, 17 or later)"
  mkdir -p "$target"
  # Runs that start together build once; the others wait and find it done.
  local lock_fd
  exec {lock_fd}>"$target/build.lock"
  flock "$lock_fd"
  if ! build_is_current; then
    build_now
  fi
  exec {lock_fd}>&-
}

build_now() {
  local log=$target/build.log
  local goals=(-B -f "$here/pom.xml" package dependency:build-classpath "-Dmdep.outputFile=$maven_classpath")
  # Offline first: once the local repository holds everything, that spares
  # the remote look-ups; the first build on a machine goes online.
  if ! mvn -q -o "${goals[@]}" >"$log" 2>&1; then
    echo "cluster.sh: building the test cluster (the first build downloads Hadoop's jars)" >&2
    if ! mvn -q "${goals[@]}" >"$log" 2>&1; then
      tail -n 40 "$log" >&2
      die "Maven build failed; full log in $log"
    fi
  fi
  java -cp "$jar" vrbaseio.hdfs.ClasspathRepacker "$maven_classpath" "$target/lib" "$classpath_file" \
    hadoop-client-api- hadoop-client-minicluster- >>"$log" 2>&1 ||
    die "repacking the Hadoop jars failed; log in $log"

  # One run that starts the cluster, writes and reads a file and stops leaves
  # an archive of the loaded classes that later starts map instead of loading
  # them again. Without it the cluster still starts, only more slowly.
  rm -f "$class_archive"
  local scratch
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/vrb-hdfs-build.XXXXXX")
  set_cluster_command "-XX:ArchiveClassesAtExit=$class_archive" "-Djava.io.tmpdir=$scratch" -- --base-dir "$scratch"
  printf '%s\n' "write /tmp/warm-up 3000000" "read /tmp/warm-up" "md5 /tmp/warm-up" |
    "${cluster_command[@]}" >>"$log" 2>&1 ||
    echo "cluster.sh: no class archive (see $log); the cluster will start more slowly" >&2
  rm -rf "$scratch"
  touch "$stamp"
}

# Set by run; read by stop_command and stop_cluster.
workdir=
java_pid=
control_fd=
command_pid=

# stop_command SIGNAL: passes the signal on to COMMAND's process group and
# waits for COMMAND, killing the group when COMMAND lingers.
stop_command() {
  [ -n "$command_pid" ] || return 0
  kill -"$1" -- -"$command_pid" 2>/dev/null || true
  wait_for_exit "$command_pid" 100 || kill -KILL -- -"$command_pid" 2>/dev/null || true
  wait "$command_pid" 2>/dev/null || true
  command_pid=
}

# wait_for_exit PID TENTHS: true once PID has ended, false after TENTHS
# tenths of a second.
wait_for_exit() {
  local waited=0
  while kill -0 "$1" 2>/dev/null; do
    [ "$waited" -lt "$2" ] || return 1
    sleep 0.1
    waited=$((waited + 1))
  done
}

stop_cluster() {
  if [ -n "$control_fd" ]; then
    # End of input is the cluster's signal to shut down and clean up.
    exec {control_fd}>&-
    control_fd=
  fi
  if [ -n "$java_pid" ]; then
    if ! wait_for_exit "$java_pid" 300; then
      echo "cluster.sh: cluster did not stop within 30 s; terminating it" >&2
      kill -TERM "$java_pid" 2>/dev/null || true
      wait_for_exit "$java_pid" 100 || kill -KILL "$java_pid" 2>/dev/null || true
    fi
    wait "$java_pid" 2>/dev/null || true
    java_pid=
  fi
  if [ -n "$workdir" ]; then
    rm -rf "$workdir"
    workdir=
  fi
}

show_log_tail() {
  echo "---- last lines of the cluster log ----" >&2
  tail -n 40 "$workdir/cluster.log" >&2 || true
  echo "---------------------------------------" >&2
}

# write_client_configuration DIR HOST SECURE ADDRESS...: core-site.xml and
# hdfs-site.xml in DIR as a cluster's users have them: the nameservice
# "vrbtest" over the NameNodes at ADDRESS (PORT, or HOST:PORT) in order, the
# default file system, and with SECURE Kerberos and HTTPS only. The host
# goes through a ${...} variable, as configurations often write it.
write_client_configuration() {
  local dir=$1 host=$2 secure=$3 ids= id=0 address
  shift 3
  mkdir -p "$dir"
  local kind=http policy=HTTP_ONLY authentication=simple
  if [ -n "$secure" ]; then
    kind=https policy=HTTPS_ONLY authentication=kerberos
  fi
  property() { printf '  <property>\n    <name>%s</name>\n    <value>%s</value>\n  </property>\n' "$1" "$2"; }
  {
    echo '<?xml version="1.0"?>'
    echo '<configuration>'
    property fs.defaultFS hdfs://vrbtest
    property hadoop.security.authentication "$authentication"
    echo '</configuration>'
  } >"$dir/core-site.xml"
  {
    echo '<?xml version="1.0"?>'
    echo '<configuration>'
    property vrbtest.host "$host"
    property dfs.nameservices vrbtest
    property dfs.http.policy "$policy"
    for address in "$@"; do
      ids="$ids${ids:+,}nn$id"
      property "dfs.namenode.$kind-address.vrbtest.nn$id" "\${vrbtest.host}:${address##*:}"
      id=$((id + 1))
    done
    property dfs.ha.namenodes.vrbtest "$ids"
    echo '</configuration>'
  } >"$dir/hdfs-site.xml"
}

# reply_value KEY: the value of the first KEY=VALUE line of the reply file.
reply_value() {
  sed -n "s/^$1=//p" "$workdir/reply" | head -n 1
}

run() {
  local datanodes= secure= ha=()
  while :; do
    case "${1:-}" in
      --datanodes)
        datanodes=${2:-}
        [[ $datanodes =~ ^[1-9][0-9]?$ ]] || die "--datanodes takes a number from 1 to 99"
        shift 2
        ;;
      --secure)
        secure=1
        shift
        ;;
      --ha)
        ha=(--ha)
        shift
        ;;
      --ls-limit)
        ls_limit=${2:-}
        [[ $ls_limit =~ ^[1-9][0-9]*$ ]] || die "--ls-limit takes a positive number"
        shift 2
        ;;
      *) break ;;
    esac
  done
  [ -z "$secure" ] || [ ${#ha[@]} -eq 0 ] || die "--secure and --ha do not go together"
  # An HA cluster has two DataNodes unless told otherwise, so that a read
  # may lose one.
  [ -n "$datanodes" ] || datanodes=$(( ${#ha[@]} ? 2 : 1 ))
  [ "${1:-}" = "--" ] && shift
  [ $# -gt 0 ] || die "usage: cluster.sh run [--datanodes N] [--secure | --ha] [--ls-limit N] [--] COMMAND..."
  build

  trap 'stop_cluster' EXIT
  trap 'stop_command INT; stop_cluster; exit 130' INT
  trap 'stop_command TERM; stop_cluster; exit 143' TERM
  workdir=$(mktemp -d "${TMPDIR:-/tmp}/vrb-hdfs.XXXXXX")
  local control=$workdir/control reply=$workdir/reply log=$workdir/cluster.log
  mkfifo "$control"
  : >"$reply"
  local archive_option=() secure_jvm=() secure_args=()
  [ -f "$class_archive" ] && archive_option=("-XX:SharedArchiveFile=$class_archive")
  # The KDC refreshes the JVM's Kerberos configuration through internals
  # that Java 17 keeps closed unless told otherwise.
  if [ -n "$secure" ]; then
    secure_jvm=(--add-opens=java.security.jgss/sun.security.krb5=ALL-UNNAMED
      --add-exports=java.security.jgss/sun.security.krb5=ALL-UNNAMED)
    secure_args=(--secure)
  fi
  # The JVM's own temporary files (the web servers' unpacked pages) go into
  # the work directory, so that they go with it even if the JVM is killed.
  set_cluster_command "${archive_option[@]}" "-Djava.io.tmpdir=$workdir" "${secure_jvm[@]}" -- \
    --base-dir "$workdir" --datanodes "$datanodes" "${secure_args[@]}" "${ha[@]}" "dfs.blocksize=$block_size" \
    "dfs.ls.limit=$ls_limit" \
    "dfs.replication=$datanodes"
  "${cluster_command[@]}" <"$control" >"$reply" 2>"$log" &
  java_pid=$!
  # Held open for the cluster's whole life; opening waits for the reader.
  exec {control_fd}>"$control"

  local timeout=${VRB_HDFS_START_TIMEOUT:-180} started=$SECONDS port=
  while :; do
    port=$(sed -n 's/^HDFS_HTTP_PORT=\([0-9][0-9]*\)$/\1/p' "$reply")
    [ -n "$port" ] && break
    if ! kill -0 "$java_pid" 2>/dev/null; then
      show_log_tail
      die "the cluster exited before it was ready"
    fi
    if [ $((SECONDS - started)) -ge "$timeout" ]; then
      show_log_tail
      die "the cluster was not ready within $timeout s"
    fi
    sleep 0.2
  done
  local host=127.0.0.1 superuser secure_env=() namenodes
  superuser=$(id -un)
  if [ -n "$secure" ]; then
    # The name the certificate and the HTTP service principal carry.
    host=localhost
    superuser=$(reply_value HDFS_SUPERUSER)
    secure_env=(VRB_HDFS_SECURE=1 "VRB_HDFS_KRB5_CONF=$(reply_value HDFS_KRB5_CONF)"
      "VRB_HDFS_KEYTAB=$(reply_value HDFS_KEYTAB)" "VRB_HDFS_PRINCIPAL=$(reply_value HDFS_PRINCIPAL)"
      "VRB_HDFS_CA_FILE=$(reply_value HDFS_CA_FILE)")
  fi
  namenodes=$(sed -n 's/^HDFS_NAMENODE_HTTP_PORTS=\([0-9,]*\)$/\1/p' "$reply" | sed 's/\([0-9][0-9]*\)/127.0.0.1:\1/g')
  echo "cluster.sh: HDFS ready on $host:$port after $((SECONDS - started)) s${ha:+ (NameNodes $namenodes)}" >&2
  local addresses
  IFS=, read -r -a addresses <<<"${namenodes:-$port}"
  write_client_configuration "$workdir/client-conf" "$host" "$secure" "${addresses[@]}"

  local status=0
  # COMMAND runs in the background so that a signal to this script is acted
  # on at once, in a session of its own so that the signal reaches all of its
  # processes; it keeps this script's standard input and the default
  # handling of SIGINT and SIGQUIT, which a background job would lose. It
  # must not inherit the FIFO's writing end, or a process that it leaves
  # behind would keep the cluster alive.
  (
    trap - INT QUIT
    export VRB_HDFS_HTTP=$host:$port VRB_HDFS_SUPERUSER="$superuser" "${secure_env[@]}" \
      VRB_HDFS_BLOCK_SIZE=$block_size VRB_HDFS_LS_LIMIT=$ls_limit VRB_HDFS_DATANODES=$datanodes \
      VRB_HDFS_CONTROL=$control VRB_HDFS_REPLY=$reply VRB_HDFS_LOG=$log VRB_HDFS_NAMENODES=$namenodes \
      VRB_HDFS_CONF_DIR=$workdir/client-conf
    exec setsid "$@"
  ) <&0 {control_fd}>&- &
  command_pid=$!
  wait "$command_pid" || status=$?
  command_pid=
  stop_cluster
  trap - EXIT INT TERM
  return $status
}

ctl() {
  [ $# -gt 0 ] || die "usage: cluster.sh ctl COMMAND..."
  [ -p "${VRB_HDFS_CONTROL:-}" ] || die "VRB_HDFS_CONTROL names no FIFO: run under cluster.sh run"
  [ -f "${VRB_HDFS_REPLY:-}" ] || die "VRB_HDFS_REPLY names no file: run under cluster.sh run"
  local tag="@ctl$$x$RANDOM$RANDOM"
  # The timeout guards the open, which would wait forever with no reader.
  timeout 10 bash -c 'printf "%s\n" "$1" >"$2"' _ "$tag $*" "$VRB_HDFS_CONTROL" ||
    die "cannot send to the cluster (is it running?)"
  local timeout=${VRB_HDFS_CTL_TIMEOUT:-600} started=$SECONDS line
  while :; do
    line=$(grep -m1 "^$tag " "$VRB_HDFS_REPLY" || true)
    [ -n "$line" ] && break
    [ $((SECONDS - started)) -lt "$timeout" ] || die "no reply to '$*' within $timeout s"
    sleep 0.05
  done
  line=${line#"$tag "}
  case $line in
    OK) ;;
    "OK "*) echo "${line#OK }" ;;
    *)
      echo "$line" >&2
      return 1
      ;;
  esac
}

case "${1:-}" in
  build) build ;;
  run)
    shift
    run "$@"
    ;;
  ctl)
    shift
    ctl "$@"
    ;;
  *) die "usage: cluster.sh build | run [--datanodes N] [--secure | --ha] [--] COMMAND... | ctl COMMAND..." ;;
esac
