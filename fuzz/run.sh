#!/usr/bin/env bash
# Runs every fuzzer of BUILD_DIR for SECONDS each, from the test programs, the real-program
# corpus beside the project and the inputs kept in tests/data/fuzz. A crash or a broken
# property is minimised into tests/data/fuzz/<target>/, where the normal test suite replays it
# once mended; the script then fails.
#
#   bash fuzz/run.sh BUILD_DIR [SECONDS]
if [ -z "${BASH_VERSION:-}" ]; then exec bash "$0" "$@"; fi
set -u
build=$(cd "${1:?usage: run.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
kept="$top/tests/data/fuzz"
failed=0
printf '%-16s %12s %8s %8s %s\n' target executions edges features result
for exe in "$build"/fuzz_*; do
  [ -x "$exe" ] || continue
  name=${exe##*/fuzz_}
  corpus="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name"
  seeds="$build/fuzz-seeds"
  mkdir -p "$corpus" "$artifacts" "$seeds" "$kept/$name"
  # Seeds: the test programs and the real ones, flat in one folder.
  find "$top/tests/data" -maxdepth 1 -type f -exec cp -f {} "$seeds/" \;
  if [ -d "$top/../shared/corpus" ]; then
    find "$top/../shared/corpus" -type f ! -name '*.md' -size -64k -exec cp -f {} "$seeds/" \;
  fi
  log="$build/fuzz-$name.log"
  "$exe" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds" "$kept/$name" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FAILED (see $log)"
    failed=1
    for crash in "$artifacts"/*; do
      [ -f "$crash" ] || continue
      out="$kept/$name/$(sha1sum "$crash" | cut -c1-16)"
      "$exe" -minimize_crash=1 -max_total_time=30 -exact_artifact_path="$out" "$crash" \
        >>"$log" 2>&1 || true
      [ -f "$out" ] || cp "$crash" "$out"
      echo "  kept $out" >&2
      rm -f "$crash"
    done
  fi
  printf '%-16s %12s %8s %8s %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit "$failed"
