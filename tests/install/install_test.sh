#!/bin/sh
# install_test.sh BUILD_DIR PYTHON WINDOW_TEST TOOLS_DIR SDL_DIR
# Installs the build into a temporary prefix and checks what a desktop gets:
# both programs, valid menu entries with their French names and comments,
# man pages in English and French that render without a warning, the icon,
# the French catalogue; that the installed programs open their window and
# quit, and speak French where the user does.
set -eu
build=$1 python=$2 window_test=$3 tools=$4 sdl_dir=$5
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

expected="bin/wavestring
bin/wavestring_paced
share/applications/wavestring.desktop
share/applications/wavestring_paced.desktop
share/doc/wavestring/changelog.gz
share/doc/wavestring/copyright
share/icons/hicolor/scalable/apps/wavestring.svg
share/locale/fr/LC_MESSAGES/wavestring.mo
share/man/fr/man6/wavestring.6.gz
share/man/fr/man6/wavestring_paced.6.gz
share/man/man6/wavestring.6.gz
share/man/man6/wavestring_paced.6.gz"
found=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$found" = "$expected" ] || fail "installed files:
$found
expected:
$expected"

desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
for program in wavestring wavestring_paced; do
  entry=$prefix/share/applications/$program.desktop
  grep -qx "Exec=$program" "$entry" || fail "$entry does not start $program"
  grep -qx "Icon=wavestring" "$entry" || fail "$entry has not the installed icon"
  grep -qx "StartupWMClass=$program" "$entry" || fail "$entry names no window class"
  grep -q "^Name\[fr\]=Wavestring" "$entry" || fail "$entry has no French name"
  grep -q "^Comment\[fr\]=Pincez une corde élastique amortie" "$entry" || fail "$entry has no French comment"
  [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
done

# Each man page and its sections, read in its language.
check_pages() {
  language=$1 pages=$2
  shift 2
  for page in $pages; do
    warnings=$(LC_ALL=$language man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    text=$(LC_ALL=$language man -l "$page" 2>/dev/null)
    for section in "$@"; do
      printf '%s\n' "$text" | grep -qx "$section" || fail "$page has no $section section"
    done
  done
}
check_pages C.UTF-8 "$prefix/share/man/man6/*.6.gz" \
  NAME SYNOPSIS DESCRIPTION MOUSE KEYS PARAMETERS "THINGS TO TRY" "EXIT STATUS"
check_pages fr_FR.UTF-8 "$prefix/share/man/fr/man6/*.6.gz" \
  NOM SYNOPSIS DESCRIPTION SOURIS TOUCHES PARAMÈTRES "À ESSAYER" "CODE DE RETOUR"

# The installed programs find the installed catalogue, wherever the prefix
# (a no-break space before the colon).
for program in wavestring wavestring_paced; do
  usage=$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=fr_FR.UTF-8 "$prefix/bin/$program" --help | head -n 1)
  [ "$usage" = "Utilisation : $program [--help | --version | RÉGLAGE...]" ] || fail "$program --help in French: $usage"
done

# The installed programs open their window on a real X server, and Escape
# and the close button end them with status 0.
"$python" "$window_test" --program "$prefix/bin/wavestring" \
  --sdl-dir "$sdl_dir" --tools "$tools" quit
"$python" "$window_test" --program "$prefix/bin/wavestring_paced" \
  --sdl-dir "$sdl_dir" --tools "$tools" quit
echo "installed and checked in $prefix"
