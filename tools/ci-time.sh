#!/usr/bin/env bash
# Times .ci/run on a fresh clone of the committed HEAD and writes
# "SECONDS DATE STATUS" to BUILD/ci-seconds, for the note row of make bench's
# table (STATUS: .ci/run's exit status; a failed run's time is kept too).
#   ci-time.sh BUILD
set -euo pipefail
build=$(realpath -m "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q --no-hardlinks "$(git rev-parse --show-toplevel)" "$work/quillon"
start=$(date +%s)
status=0
(cd "$work/quillon" && .ci/run) || status=$?
seconds=$(($(date +%s) - start))
mkdir -p "$build"
echo "$seconds $(date -u +%Y-%m-%d) $status" > "$build/ci-seconds"
echo "fresh clone .ci/run: $((seconds / 60)) min $((seconds % 60)) s, exit status $status"
exit "$status"
