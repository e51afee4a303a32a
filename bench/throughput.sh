#!/usr/bin/env bash
# Throughput of kestrum-convert on a generated 20 MB milling program, next to cat, sed and awk.
#
#   sh bench/throughput.sh BUILD_DIR
#   LARGE=1 sh bench/throughput.sh BUILD_DIR     # a 1 GB program, one run each, no awk
#
# Each command reads the program from a file and writes its result to a file; the table gives
# the median wall time of 5 runs, the input megabytes (10^6 bytes) per second, the ratio to
# sed (sed's time / the command's time: above 1 is faster than sed), the peak resident memory
# and its ratio to the program's size. The targets: every conversion at least twice as fast
# as sed, and at most twice the program's size in memory. fix-line-ends reads the program's
# LF-only twin.
# `make bench` runs it with sh: the script needs bash.
if [ -z "${BASH_VERSION:-}" ]; then exec bash "$0" "$@"; fi
set -eu

build=${1:?usage: throughput.sh BUILD_DIR}
build=$(cd "$build" && pwd)
convert="$build/kestrum-convert"
gen="$build/kestrum-gen"
for exe in "$convert" "$gen"; do
  [ -x "$exe" ] || { echo "throughput: $exe is missing; build it first" >&2; exit 1; }
done
runs=${RUNS:-5}          # RUNS=1 and SIZE=2M make a quick check
program_size=${SIZE:-20M}
if [ -n "${LARGE:-}" ]; then
  program_size=1G
  runs=1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-throughput.XXXXXX")
trap 'rm -rf "$work"' EXIT
program="$work/program.nc"
lf_program="$work/program-lf.nc"
"$gen" --size "$program_size" -o "$program"
"$gen" --size "$program_size" --lf -o "$lf_program"
size=$(wc -c <"$program")

# peak_rss FILE COMMAND...: runs COMMAND (standard input and output as given) and writes its
# peak resident memory in KB to FILE. GNU time reports it exactly (tools/install-deps.sh
# installs it); without it the process's high-water mark is read from /proc every 10 ms,
# which also makes the times up to 10 ms longer.
if /usr/bin/time -f %M true >/dev/null 2>&1; then
  peak_rss() {
    local out=$1
    shift
    /usr/bin/time -o "$out" -f %M "$@"
  }
else
  peak_rss() {
    local out=$1 pid hwm=0 key value rest status
    shift
    "$@" <&0 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
      while read -r key value rest; do
        [ "$key" = "VmHWM:" ] && hwm=$value
      done <"/proc/$pid/status" 2>/dev/null || true
      sleep 0.01
    done
    status=0
    wait "$pid" || status=$?
    echo "$hwm" >"$out"
    return "$status"
  }
fi

now_ns() { date +%s%N; }

# rescale.awk: every X, Y and Z value divided by 25.4 (mm to inch), four decimals.
cat >"$work/rescale.awk" <<'EOF'
{
  out = ""
  s = $0
  while (match(s, /[XYZ][-+]?[0-9]*\.?[0-9]*/)) {
    v = substr(s, RSTART + 1, RLENGTH - 1)
    out = out substr(s, 1, RSTART) (v == "" ? "" : sprintf("%.4f", v / 25.4))
    s = substr(s, RSTART + RLENGTH)
  }
  print out s
}
EOF

# measure NAME INPUT COMMAND...: median seconds and the largest peak RSS (KB) of the runs.
results=()
measure() {
  local name=$1 input=$2
  shift 2
  local times=() rss=0 i start end kb
  for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    if ! peak_rss "$work/rss" "$@" <"$input" >"$work/out" 2>"$work/err"; then
      echo "throughput: '$name' failed: $(head -c 300 "$work/err")" >&2
      return 0
    fi
    end=$(now_ns)
    times+=($((end - start)))
    kb=$(tail -n 1 "$work/rss")
    [ "$kb" -gt "$rss" ] && rss=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  results+=("$name|$median|$rss")
}

measure "cat" "$program" cat
measure "sed 's/ //g'" "$program" sed 's/ //g'
[ -n "${LARGE:-}" ] || measure "awk rescale X/Y/Z" "$program" awk -f "$work/rescale.awk"
measure "spaces --mode remove" "$program" "$convert" spaces --mode remove
measure "spaces --mode add" "$program" "$convert" spaces --mode add
measure "spaces --mode renumber" "$program" "$convert" spaces --mode renumber
measure "points --mode add" "$program" "$convert" points --mode add
measure "points --mode remove" "$program" "$convert" points --mode remove
measure "unit --mode mm-to-inch" "$program" "$convert" unit --mode mm-to-inch
measure "unit --mode mm-to-um" "$program" "$convert" unit --mode mm-to-um
measure "replace --find G01 --with G1" "$program" "$convert" replace --find G01 --with G1
measure "fix-line-ends (LF-only)" "$lf_program" "$convert" fix-line-ends
measure "calc --find X --op mul --value 2" "$program" "$convert" calc --find X --op mul --value 2
measure "abs-inc --to inc" "$program" "$convert" abs-inc --to inc
measure "abs-inc --to abs, start, comments" "$program" "$convert" abs-inc --to abs \
  --start 1,2,3 --start-comment --end-comment
measure "xy-cx --to cx" "$program" "$convert" xy-cx --to cx
measure "rotary" "$program" "$convert" rotary
for direction in "OSP*FANUC" "FANUC*OSP"; do
  table=""
  for candidate in "$build"/*$direction*.csv; do
    [ -f "$candidate" ] && table=$candidate && break
  done
  if [ -n "$table" ]; then
    measure "translate --table (${direction/\*/->})" "$program" "$convert" translate \
      --table "$table"
  else
    echo "throughput: no *$direction*.csv table in $build; translate skipped" >&2
  fi
done

sed_ns=""
for row in "${results[@]}"; do
  IFS='|' read -r name ns kb <<<"$row"
  [ "$name" = "sed 's/ //g'" ] && sed_ns=$ns
done

printf '%s bytes, median of %s runs\n' "$size" "$runs"
printf '%-36s %9s %9s %9s %12s %9s\n' "command" "seconds" "MB/s" "sed/cmd" "peak RSS MB" "RSS/size"
for row in "${results[@]}"; do
  IFS='|' read -r name ns kb <<<"$row"
  awk -v name="$name" -v ns="$ns" -v kb="$kb" -v size="$size" -v sed="$sed_ns" 'BEGIN {
    s = ns / 1e9
    printf "%-36s %9.3f %9.1f %9.2f %12.1f %9.2f\n", name, s, size / 1e6 / s, \
      (sed == "" ? 0 : sed / ns), kb / 1024, kb * 1024 / size
  }'
done
