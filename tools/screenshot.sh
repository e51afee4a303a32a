#!/bin/sh
# Pictures of the editor: runs kestrum-screenshot on a FANUC program (tools/screenshot.nc, or
# SAMPLE) on a private Xvfb display and leaves PNG files of the main window, its menus, every
# dialog and a generated 100 MB program scrolled to its end in BUILD/screenshots/. LARGE=0
# leaves the large program out.
#
#   sh tools/screenshot.sh BUILD
set -eu

build=${1:?usage: screenshot.sh BUILD}
root=$(cd "$(dirname "$0")/.." && pwd)
shooter="$build/kestrum-screenshot"
[ -x "$shooter" ] || { echo "screenshot: $shooter is missing; build it first" >&2; exit 1; }
rm -rf "$build/screenshots"
large=""
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-screenshot.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ "${LARGE:-1}" != 0 ]; then
  large="$work/large.nc"
  if [ -x "$build/kestrum-gen" ]; then
    "$build/kestrum-gen" --size 100M -o "$large"
  else
    awk 'BEGIN {
      srand(1);
      printf "%%\r\nO1000 (LARGE)\r\n";
      for (n = 1; bytes < 100000000; n++) {
        line = sprintf("N%d G01 X%.3f Y%.3f Z%.3f F%d", n, rand() * 400 - 200,
                       rand() * 300 - 150, -rand() * 20, 100 + int(rand() * 2000));
        if (n % 50 == 0) line = line " (PASS " n ")";
        printf "%s\r\n", line;
        bytes += length(line) + 2;
      }
      printf "M30\r\n%%\r\n";
    }' >"$large"
  fi
fi
# shellcheck disable=SC2086
sh "$root/tools/with_xvfb.sh" "$shooter" "${SAMPLE:-$root/tools/screenshot.nc}" \
  "$build/screenshots" $large
