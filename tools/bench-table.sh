#!/usr/bin/env bash
# The table at the end of make bench: the rows the benchmarks printed
# ("table|NN|figure|measured|target|verdict" lines in the log), in the order of
# their numbers, with the machine's load when the run ended and the last
# fresh-clone CI time measured by make ci-time.
#   bench-table.sh LOG BUILD
set -euo pipefail
log=$1
build=$2
echo
echo "make bench, $(date -u '+%Y-%m-%d %H:%M UTC'); load when it ended: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
{
  grep -ao 'table|[0-9][0-9]|.*' "$log" || true
  if [[ -f $build/ci-seconds ]]; then
    read -r seconds when status < "$build/ci-seconds"
    verdict=$([[ $seconds -le 600 ]] && echo met || echo "NOT MET")
    [[ ${status:-0} == 0 ]] || verdict="$verdict (the run failed)"
    printf 'table|10|fresh clone .ci/run on %s cores (note: make ci-time, %s)|%d min %02d s|<= 10 min|%s\n' \
      "$(nproc)" "$when" $((seconds / 60)) $((seconds % 60)) "$verdict"
  else
    echo 'table|10|fresh clone .ci/run (note)|not measured: make ci-time|<= 10 min|-'
  fi
} | sort -t'|' -k2,2n -s | awk -F'|' '
  { rows[NR] = $0; n = NR; if (length($3) > w) w = length($3); if (length($4) > m) m = length($4)
    if (length($5) > t) t = length($5) }
  END {
    for (i = 1; i <= n; ++i) {
      split(rows[i], f, "|")
      printf "  %-*s  %-*s  %-*s  %s\n", w, f[3], m, f[4], t, f[5], f[6]
    }
  }'
