#!/bin/sh
# Checks a built kestrum-milling .deb as CI does: unpacks it into a temporary root, runs the
# installed kestrum-convert from there (its help, and a translation with a shipped table named
# without its folder), validates the desktop entry and the file type, and runs lintian, which
# must report no error and no warning that the package's overrides file does not explain.
#
#   sh tools/check-package.sh kestrum-milling_1.1.3_amd64.deb
set -eu

deb=${1:?usage: check-package.sh PACKAGE.deb}
[ -f "$deb" ] || { echo "check-package: no package $deb" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "== contents and fields"
dpkg-deb -x "$deb" "$root/pkg"
dpkg-deb -f "$deb" Package Version Architecture Section Depends
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "section is not electronics"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt found"
for f in usr/bin/kestrum-milling usr/bin/kestrum-convert \
         "usr/share/kestrum-milling/tables/FANUC→OSP.csv" \
         "usr/share/kestrum-milling/tables/オークマ OSP→山崎技研 YZ機 FANUC.csv" \
         usr/share/doc/kestrum-milling/examples/pocket.nc \
         usr/share/doc/kestrum-milling/copyright \
         usr/share/applications/kestrum-milling.desktop \
         usr/share/mime/packages/kestrum-milling.xml \
         usr/share/icons/hicolor/scalable/apps/kestrum-milling.svg \
         usr/share/icons/hicolor/16x16/apps/kestrum-milling.png \
         usr/share/icons/hicolor/256x256/apps/kestrum-milling.png \
         usr/share/man/man1/kestrum-convert.1.gz usr/share/man/man1/kestrum-milling.1.gz \
         usr/share/bash-completion/completions/kestrum-convert; do
  [ -f "$root/pkg/$f" ] || fail "missing /$f"
done

echo "== the installed kestrum-convert, run from the unpacked root"
convert="$root/pkg/usr/bin/kestrum-convert"
"$convert" --help > "$root/help.txt"
grep -q '^  translate ' "$root/help.txt" || fail "--help lists no translate command"
mkdir "$root/work"
printf 'O1000\r\nG90 G01 X10. Y20. F100\r\nM99\r\n' > "$root/work/part.nc"
(cd "$root/work" && "$convert" translate --table "FANUC→OSP.csv" part.nc -o part.min)
grep -q RTS "$root/work/part.min" || fail "the translation by bare table name gave no OSP program"
echo "translate --table \"FANUC→OSP.csv\": $(tr -d '\r' < "$root/work/part.min" | tr '\n' ' ')"

echo "== desktop entry and file type"
desktop-file-validate "$root/pkg/usr/share/applications/kestrum-milling.desktop"
xmllint --noout "$root/pkg/usr/share/mime/packages/kestrum-milling.xml"
# The file type as the desktop's database reads it: part.min and PART.MIN are NC programs.
mkdir -p "$root/mime/packages"
cp "$root/pkg/usr/share/mime/packages/kestrum-milling.xml" "$root/mime/packages/"
XDG_DATA_HOME="$root" XDG_DATA_DIRS="$root" update-mime-database "$root/mime"
for glob in '*.min' '*.nc' '*.ssb' '*.gcode'; do
  grep -qF "text/x-nc-program:$glob" "$root/mime/globs2" || fail "no glob $glob in the database"
done

echo "== lintian"
# Every override explains itself on the line above it.
awk '/^[^#]/ && prev !~ /^# ./ { bad = 1; print "override without a reason: " $0 }
     { prev = $0 } END { exit bad }' "$root/pkg/usr/share/lintian/overrides/kestrum-milling" ||
  fail "lintian overrides need a one-line reason above each"
lintian --fail-on error,warning --display-level '>=warning' "$deb"
echo "check-package: $deb is fine"
