#!/bin/sh
# Installs the Debian packages that building, testing and running Kestrum_Milling need.
# Quick when everything is already there: it asks dpkg first and calls apt only for what is
# missing. Runs as root, or through sudo.
set -eu

packages="cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins libx11-dev libqscintilla2-qt6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-ipafont-gothic
  clang libclang-rt-14-dev
  time"
# Packaging and checking the .deb (make package, make check-package).
packaging="dpkg-dev fakeroot file gzip librsvg2-bin lintian desktop-file-utils libxml2-utils
  shared-mime-info man-db groff-base"

missing=""
for p in $packages $packaging; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "install-deps: run as root or install sudo; missing:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
