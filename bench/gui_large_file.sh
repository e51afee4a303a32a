#!/bin/sh
# The editor on generated programs of 20 MB and 100 MB: open and show, a conversion into the
# preview, accept, save, undo, cutting a line and typing a character in the middle, and the
# jump to the last line, each timed with the longest stretch in which the window did not
# repaint and the resident memory after it; then the peak memory of the run. Runs on a
# private Xvfb display when Xvfb is there, else on Qt's offscreen platform.
#
#   sh bench/gui_large_file.sh BUILD_DIR [SIZE...]   (SIZE as kestrum-gen takes it; default 20M 100M)
#   KESTRUM_GEN=other-build/kestrum-gen sh bench/gui_large_file.sh BUILD_DIR
set -eu

build=${1:?usage: gui_large_file.sh BUILD_DIR [SIZE...]}
shift
[ $# -gt 0 ] || set -- 20M 100M
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$build/kestrum-gui-bench"
[ -x "$bench" ] || { echo "gui_large_file: $bench is missing; build it first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-gui-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The benchmark generator (KESTRUM_GEN names one), else a plain program written with awk.
gen=""
for candidate in ${KESTRUM_GEN:-} "$build/kestrum-gen" "$root/build/kestrum-gen"; do
  if [ -x "$candidate" ] && "$candidate" --size 1K -o "$work/probe.nc" 2>/dev/null &&
     [ -s "$work/probe.nc" ]; then
    gen=$candidate
    break
  fi
done

for size in "$@"; do
  program="$work/program-$size.nc"
  if [ -n "$gen" ]; then
    "$gen" --size "$size" -o "$program"
  else
    # Without kestrum-gen: a plain milling program of about SIZE (K or M bytes).
    case $size in
      *K) bytes=$((${size%K} * 1000)) ;;
      *M) bytes=$((${size%M} * 1000000)) ;;
      *) bytes=$size ;;
    esac
    awk -v size="$bytes" 'BEGIN {
      srand(1);
      printf "%%\r\nO1000 (BENCH)\r\nG90 G54 G17\r\nT1 M06\r\nS2500 M03\r\n";
      for (n = 1; bytes < size; n++) {
        line = sprintf("N%d G01 X%.3f Y%.3f Z%.3f F%d", n, rand() * 400 - 200, rand() * 300 - 150,
                       -rand() * 20, 100 + int(rand() * 2000));
        if (n % 50 == 0) line = line " (PASS " n ")";
        printf "%s\r\n", line;
        bytes += length(line) + 2;
      }
      printf "M30\r\n%%\r\n";
    }' >"$program"
  fi
  if command -v Xvfb >/dev/null 2>&1; then
    sh "$root/tools/with_xvfb.sh" "$bench" "$program"
  else
    QT_QPA_PLATFORM=offscreen "$bench" "$program"
  fi
  rm -f "$program"
  echo
done
