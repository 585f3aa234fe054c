#!/usr/bin/env bash
# Times .ci/run on a fresh clone of the committed HEAD and writes
# "SECONDS DATE" to BUILD/ci-seconds, for the note row of make bench's table.
#   ci-time.sh BUILD
set -euo pipefail
build=$(realpath -m "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q --no-hardlinks "$(git rev-parse --show-toplevel)" "$work/quillon"
start=$(date +%s)
(cd "$work/quillon" && .ci/run)
seconds=$(($(date +%s) - start))
mkdir -p "$build"
echo "$seconds $(date -u +%Y-%m-%d)" > "$build/ci-seconds"
echo "fresh clone .ci/run: $((seconds / 60)) min $((seconds % 60)) s"
