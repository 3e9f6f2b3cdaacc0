#!/usr/bin/env bash
# report-skips.sh <results folder>
# Run by ctest after the tests: lists every skipped test with its reason from
# the shards' XML results, since ctest counts a shard with skipped tests as
# passed.
shopt -s nullglob
files=("$1"/*.xml)
[ ${#files[@]} -eq 0 ] && exit 0
awk '
  /<testcase / && /result="skipped"/ {
    name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
    suite = $0; sub(/.*classname="/, "", suite); sub(/".*/, "", suite)
    pending = 1; next
  }
  pending && /<skipped message="/ {
    why = $0; sub(/.*<skipped message="/, "", why); sub(/".*/, "", why)
    sub(/^[^&]*&#x0A;/, "", why)          # the file and line come first
    gsub(/&#x0A;/, " ", why); gsub(/&quot;/, "\"", why); gsub(/&apos;/, "'\''", why)
    gsub(/&lt;/, "<", why); gsub(/&gt;/, ">", why); gsub(/&amp;/, "\\&", why)
    print "  " suite "." name ": " why; pending = 0
  }
' "${files[@]}" | sort > "$1/skipped.txt"
if [ -s "$1/skipped.txt" ]; then
  echo "$(wc -l < "$1/skipped.txt") tests were skipped:"
  cat "$1/skipped.txt"
else
  echo "No tests were skipped."
fi
