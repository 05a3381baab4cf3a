#!/usr/bin/env bash
# vrbio in its shell forms against its peers in the same run, best of RUNS
# elapsed times each:
#   ls -R over FILES files in DIRS directories against
#     find DIR -printf '%y %TY-%Tm-%Td %T@ %s %P\n'
#   cat - from a pipe against cat FILE on the same SIZE MiB
# and the peak memory of ls -R, which must not grow with the tree.
#   bench/vrbio/run.sh [--files N] [--dirs N] [--size-mib N] [--runs N] [--vrbio PATH]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
files=100000 dirs=1000 size_mib=256 runs=5 vrbio=$root/build/bin/vrbio
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --dirs) dirs=$2; shift 2 ;;
    --size-mib) size_mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --vrbio) vrbio=$2; shift 2 ;;
    *) echo "usage: $0 [--files N] [--dirs N] [--size-mib N] [--runs N] [--vrbio PATH]" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d /tmp/vrbio-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Best elapsed seconds of `runs` runs of a shell command, output discarded.
best() {
  python3 - "$runs" "$1" <<'PY'
import subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2]
times = []
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(["bash", "-c", command], check=True, stdout=subprocess.DEVNULL)
    times.append(time.perf_counter() - start)
print("%.4f" % min(times))
PY
}
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
# Processor time (user and system) of one command, which a busy machine
# disturbs less than elapsed time.
cpu() { /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" >/dev/null && awk '{print $1 + $2}' "$work/cpu"; }
best_of_cpu() {
  local best_seconds="" seconds
  for _ in $(seq "$runs"); do
    seconds=$(cpu "$@")
    best_seconds=$(python3 -c "print(min($seconds, ${best_seconds:-$seconds}))")
  done
  echo "$best_seconds"
}

python3 - "$work/tree" "$files" "$dirs" <<'PY'
import os, sys
root, files, dirs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(dirs):
    directory = os.path.join(root, "d%04d" % d)
    os.makedirs(directory)
    for f in range(files // dirs):
        open(os.path.join(directory, "file-%05d.txt" % f), "wb").close()
PY
"$vrbio" ls -R "$work/tree" >/dev/null   # the directory cache warmed for both sides
ls_time=$(best "'$vrbio' ls -R '$work/tree'")
find_time=$(best "find '$work/tree' -printf '%y %TY-%Tm-%Td %T@ %s %P\n'")
echo "ls -R, $files files in $dirs directories: vrbio ${ls_time}s, find ${find_time}s, ratio $(ratio "$ls_time" "$find_time")"
ls_cpu=$(best_of_cpu "$vrbio" ls -R "$work/tree")
find_cpu=$(best_of_cpu find "$work/tree" -printf '%y %TY-%Tm-%Td %T@ %s %P\n')
echo "ls -R, processor time: vrbio ${ls_cpu}s, find ${find_cpu}s, ratio $(ratio "$ls_cpu" "$find_cpu")"

peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
small=$(peak "$vrbio" ls -R "$work/tree/d0000")
large=$(peak "$vrbio" ls -R "$work/tree")
echo "ls -R peak memory: $small KiB for one directory, $large KiB for the tree"

python3 - "$work/text.txt" "$size_mib" <<'PY'
import sys
line = "Grüße aus Köln – “Frühstück” 8:00 € and some plain ASCII text to fill the line\n".encode()
with open(sys.argv[1], "wb") as out:
    for _ in range(int(sys.argv[2]) * 1024 * 1024 // len(line)):
        out.write(line)
PY
file_time=$(best "'$vrbio' cat -e UTF-8 '$work/text.txt'")
pipe_time=$(best "cat '$work/text.txt' | '$vrbio' cat -e UTF-8 -")
echo "cat, $size_mib MiB: FILE ${file_time}s, - from a pipe ${pipe_time}s, pipe speed $(ratio "$file_time" "$pipe_time") of FILE's"
# A pipe needs both cores at once, so on a busy machine elapsed time favours
# the file; vrbio's own processor time (user and system) does not.
best_pipe_cpu() {
  local best_seconds="" seconds
  for _ in $(seq "$runs"); do
    seconds=$(cpu "$vrbio" cat -e UTF-8 - <"$work/fifo-input" & cat "$work/text.txt" >"$work/fifo-input"; wait $!)
    best_seconds=$(python3 -c "print(min(x for x in ($seconds, ${best_seconds:-$seconds})))")
  done
  echo "$best_seconds"
}
mkfifo "$work/fifo-input"
file_cpu=$(best_of_cpu "$vrbio" cat -e UTF-8 "$work/text.txt")
pipe_cpu=$(best_pipe_cpu)
echo "cat, processor time of vrbio: FILE ${file_cpu}s, - from a pipe ${pipe_cpu}s, pipe speed $(ratio "$file_cpu" "$pipe_cpu") of FILE's"
