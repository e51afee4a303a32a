#!/bin/sh
# Runs a command on a private Xvfb display and stops the display afterwards.
#
#   sh tools/with_xvfb.sh COMMAND [ARG...]
set -eu

command -v Xvfb >/dev/null 2>&1 || { echo "with_xvfb: Xvfb is not installed" >&2; exit 1; }
# The first display number that no X server holds.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT INT TERM
tries=0
until [ -e "/tmp/.X11-unix/X$display" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "with_xvfb: Xvfb did not start on :$display" >&2
    exit 1
  fi
  sleep 0.1
done
DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$@"
