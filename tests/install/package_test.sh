#!/bin/sh
# package_test.sh BUILD_DIR
# Builds the Debian package with cpack into a temporary directory and checks
# its control fields and contents (the French catalogue and man pages among
# them), the French of its menu entries, and that lintian finds no error in
# it.
# The package is not installed.
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
set -- "$out"/wavestring_*.deb
[ -f "$1" ] || fail "no package in $out"
deb=$1

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in
  *"libsdl1.2debian (>= 1.2"*) ;;
  *) fail "the dependencies do not name the SDL 1.2 runtime" ;;
esac
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "section is not science"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort)
expected="./usr/bin/wavestring
./usr/bin/wavestring_paced
./usr/share/applications/wavestring.desktop
./usr/share/applications/wavestring_paced.desktop
./usr/share/doc/wavestring/changelog.gz
./usr/share/doc/wavestring/copyright
./usr/share/icons/hicolor/scalable/apps/wavestring.svg
./usr/share/locale/fr/LC_MESSAGES/wavestring.mo
./usr/share/man/fr/man6/wavestring.6.gz
./usr/share/man/fr/man6/wavestring_paced.6.gz
./usr/share/man/man6/wavestring.6.gz
./usr/share/man/man6/wavestring_paced.6.gz"
[ "$files" = "$expected" ] || fail "package files:
$files"
files_dir=$out/files
dpkg-deb -x "$deb" "$files_dir"
for entry in "$files_dir"/usr/share/applications/*.desktop; do
  grep -q '^Name\[fr\]=' "$entry" && grep -q '^Comment\[fr\]=' "$entry" || fail "$entry has no French name or comment"
done
msgunfmt "$files_dir/usr/share/locale/fr/LC_MESSAGES/wavestring.mo" | grep -q 'Utilisation' || fail "the French catalogue is not French"
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "$(basename "$deb") checked"
