#!/usr/bin/env bash
# Compressed text against the formats' own tools in the same run, best of
# RUNS processor times (user and system) and best of RUNS elapsed times
# each (the zstd tool reads and writes on threads of its own, which only
# the elapsed time shows), on SIZE MiB of text:
#   vrbio cat F.EXT          against  TOOL -dc F.EXT          (gzip, zstd, xz, bzip2)
#   vrbio convert F out.EXT  against  TOOL -LEVEL -c F        (gzip -6, zstd -3)
# with vrbio cat on the plain file (the text layer's own share), and the
# peak memory of vrbio cat on a plain and on each compressed file, whose
# difference is what one open compressed file costs.
#   bench/compress/run.sh [--size-mib N] [--runs N] [--vrbio PATH] [--formats "gz zst xz bz2"]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
size_mib=256 runs=3 vrbio=$root/build/bin/vrbio formats="gz zst xz bz2"
while [ $# -gt 0 ]; do
  case $1 in
    --size-mib) size_mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --vrbio) vrbio=$2; shift 2 ;;
    --formats) formats=$2; shift 2 ;;
    *) echo "usage: $0 [--size-mib N] [--runs N] [--vrbio PATH] [--formats LIST]" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d /tmp/compress-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# "processor elapsed" seconds of one run.
cpu() { /usr/bin/time -f '%U %S %e' -o "$work/cpu" bash -c "$1" >/dev/null && awk '{print $1 + $2, $3}' "$work/cpu"; }
best() {
  local best_cpu="" best_wall="" cpu_seconds wall_seconds
  for _ in $(seq "$runs"); do
    read -r cpu_seconds wall_seconds < <(cpu "$1")
    best_cpu=$(python3 -c "print(min($cpu_seconds, ${best_cpu:-$cpu_seconds}))")
    best_wall=$(python3 -c "print(min($wall_seconds, ${best_wall:-$wall_seconds}))")
  done
  echo "$best_cpu $best_wall"
}
# "vrbio tool ratio" columns for processor, then elapsed, times.
compare() {
  python3 -c "import sys; o = sys.argv[1].split(); t = sys.argv[2].split(); print('%9s %9s %6.2f %9s %9s %6.2f' % (o[0], t[0], float(o[0]) / float(t[0]), o[1], t[1], float(o[1]) / float(t[1])))" "$1" "$2"
}
peak_kib() { /usr/bin/time -f '%M' -o "$work/mem" bash -c "exec $1" >/dev/null && cat "$work/mem"; }
tool_of() { case $1 in gz) echo gzip ;; zst) echo "zstd -q" ;; xz) echo xz ;; bz2) echo bzip2 ;; esac; }
level_of() { case $1 in gz) echo 6 ;; zst) echo 3 ;; xz) echo 6 ;; bz2) echo 9 ;; esac; }

# Log-like lines: numbers, words and an accented letter, compressing about
# as well as real logs do.
python3 - "$work/text" "$size_mib" <<'PY'
import random, sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
words = ["GET", "POST", "/api/v1/items", "/static/app.js", "ok", "retry", "timeout", "caf\u00e9", "user", "session"]
rng = random.Random(7)
with open(path, "w", encoding="utf-8") as out:
    written = 0
    while written < size:
        lines = []
        for _ in range(1000):
            lines.append("2026-12-%02d %02d:%02d:%02d.%03d %s %s %d %s id=%08x\n" % (
                rng.randint(1, 28), rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59), rng.randint(0, 999),
                rng.choice(words), rng.choice(words), rng.randint(100, 599), rng.choice(words), rng.getrandbits(32)))
        block = "".join(lines)
        out.write(block)
        written += len(block.encode())
PY
echo "text: $(( $(stat -c %s "$work/text") >> 20 )) MiB, best of $runs"
plain_kib=$(peak_kib "'$vrbio' cat '$work/text'")
printf '%-34s %9s %9s %6s %9s %9s %6s\n' "case" "cpu vrbio" "cpu tool" "ratio" "wall vrbio" "wall tool" "ratio"
# The text layer's own share: the same text read from a plain file.
plain=$(best "'$vrbio' cat '$work/text'")
printf '%-34s %9s %29s\n' "cat F (plain)" "${plain% *}" "${plain#* }"
for ext in $formats; do
  tool=$(tool_of "$ext") level=$(level_of "$ext")
  $tool -"$level" -c "$work/text" > "$work/text.$ext"
  ours=$(best "'$vrbio' cat '$work/text.$ext'")
  theirs=$(best "$tool -dc '$work/text.$ext'")
  printf '%-34s %s\n' "cat F.$ext / ${tool%% *} -dc" "$(compare "$ours" "$theirs")"
  kib=$(peak_kib "'$vrbio' cat '$work/text.$ext'")
  echo "  peak memory: $kib KiB (plain file: $plain_kib KiB; the open compressed file: $((kib - plain_kib)) KiB)"
done
for ext in gz zst; do
  case " $formats " in *" $ext "*) ;; *) continue ;; esac
  tool=$(tool_of "$ext") level=$(level_of "$ext")
  ours=$(best "rm -f '$work/out.$ext'; '$vrbio' convert -f UTF-8 -t UTF-8 --newline lf '$work/text' '$work/out.$ext'")
  theirs=$(best "$tool -$level -c '$work/text' > '$work/tool.$ext'")
  printf '%-34s %s\n' "convert F out.$ext / ${tool%% *} -$level" "$(compare "$ours" "$theirs")"
  kib=$(peak_kib "'$vrbio' convert -f UTF-8 -t UTF-8 --newline lf '$work/text' '$work/out.$ext'")
  echo "  peak memory writing: $kib KiB"
done
