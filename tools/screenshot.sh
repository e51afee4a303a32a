#!/bin/sh
# Pictures of the editor: runs kestrum-screenshot on the sample program on a private Xvfb
# display and leaves PNG files of the main window, its menus and every dialog in
# BUILD/screenshots/.
#
#   sh tools/screenshot.sh BUILD
set -eu

build=${1:?usage: screenshot.sh BUILD}
root=$(cd "$(dirname "$0")/.." && pwd)
shooter="$build/kestrum-screenshot"
[ -x "$shooter" ] || { echo "screenshot: $shooter is missing; build it first" >&2; exit 1; }
rm -rf "$build/screenshots"
sh "$root/tools/with_xvfb.sh" "$shooter" "${SAMPLE:-$root/samples/pocket.nc}" "$build/screenshots"
