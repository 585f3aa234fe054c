#!/bin/sh
# run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
# Runs each libFuzzer target found under BUILD_DIR for SECONDS seconds,
# starting from its seed corpus (tests/fuzz/corpus/<target>) copied into
# BUILD_DIR/fuzz-work/<target>, so that the sources are never written.
# Findings are left in BUILD_DIR/fuzz-work/<target>/artifacts; the exit
# status is non-zero when any target found one.
set -u
build=${1:?build directory}
seconds=${2:?seconds}
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
targets=${*:-"fuzz_archive fuzz_skin fuzz_images fuzz_skin_load fuzz_paint"}
status=0
for t in $targets; do
  exe=$(find "$build" -type f -name "$t" -perm -u+x | head -n 1)
  if [ -z "$exe" ]; then
    echo "run-fuzzers: $t not built under $build" >&2
    status=1
    continue
  fi
  work="$build/fuzz-work/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp "$root/tests/fuzz/corpus/$t/"* "$work/corpus/"
  echo "run-fuzzers: $t for ${seconds}s"
  if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log" | sed "s/^/run-fuzzers: $t: /"
  else
    tail -n 40 "$work/log"
    echo "run-fuzzers: $t FAILED (see $work)" >&2
    status=1
  fi
done
exit $status
