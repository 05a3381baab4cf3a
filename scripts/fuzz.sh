#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60) on its committed corpus, one after another, one process at a
# time. New inputs go to build-fuzz/corpus/NAME, never into the tree; a
# crash leaves its input in tests/fuzz/crashes/ and makes the exit status
# non-zero. Ends with one line: targets, executions, crashes.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# VRB_FUZZ_BUILD_DIR names another build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
build=${VRB_FUZZ_BUILD_DIR:-build-fuzz}
all_targets=(charset_scan_fuzz charset_encode_fuzz charset_state_fuzz encoding_detect_fuzz text_read_fuzz text_write_fuzz
  uri_fuzz webhdfs_answer_fuzz message_fuzz glob_fuzz compressed_read_fuzz cluster_configuration_fuzz)
targets=("${@:-${all_targets[@]}}")

# Debian's clang and its runtimes: libFuzzer and the sanitizers come with
# libclang-rt-dev, not with clang itself. The compilers are named by path so
# that another clang earlier on the PATH, without those runtimes, is not taken.
scripts/install-deps.sh clang libclang-rt-dev

# Only the targets and the libraries they link are built.
cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=/usr/bin/clang -DCMAKE_CXX_COMPILER=/usr/bin/clang++ -DVRB_FUZZ=ON \
  -DVRB_WERROR=ON -DVRB_BUILD_TESTS=OFF -DVRB_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets

mkdir -p tests/fuzz/crashes
total_runs=0
crashes=0
for target in "${targets[@]}"; do
  binary="$build/bin/$target"
  if [ ! -x "$binary" ]; then
    echo "fuzz.sh: $target was not built" >&2
    crashes=$((crashes + 1))
    continue
  fi
  mkdir -p "$build/corpus/$target"
  log="$build/$target.log"
  status=0
  # Leaks count: -detect_leaks stays on. The first directory takes what the
  # run finds; the committed seeds are read only.
  "$binary" "$build/corpus/$target" "tests/fuzz/corpus/$target" -max_total_time="$seconds" \
    -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$root/tests/fuzz/crashes/$target-" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -aoE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  total_runs=$((total_runs + ${runs:-0}))
  if [ "$status" -ne 0 ]; then
    crashes=$((crashes + 1))
    echo "== $target: FAILED (exit $status), ${runs:-0} executions; $log:" >&2
    grep -aE 'check failed|ERROR:|runtime error|SUMMARY|Test unit written' -A2 "$log" | head -30 >&2 || true
  else
    echo "== $target: ${runs:-0} executions, $coverage"
  fi
done
echo "fuzz.sh: ${#targets[@]} targets, $total_runs executions, $crashes crashes"
[ "$crashes" -eq 0 ]
