#!/bin/sh
# Checks what the Windows zip holds and readies it for the tests under Wine:
# unpacks it into DIR/zip and makes a new Wine prefix in DIR/prefix (Wine's
# first start in a prefix takes several seconds, so the tests share it).
#   windows_zip.sh ZIP DIR
set -eu
zip=$(realpath "$1")
dir=$2
rm -rf "$dir"
mkdir -p "$dir/zip"
(cd "$dir/zip" && cmake -E tar xf "$zip")

held=$(cd "$dir/zip" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
expected="LICENSE.txt LISEZMOI.txt README.txt SDL-COPYING.txt SDL-source.txt SDL.dll locale/fr/LC_MESSAGES/wavestring.mo \
wavestring.exe wavestring_paced.exe "
if [ "$held" != "$expected" ]; then
    echo "the zip holds: $held; expected: $expected" >&2
    exit 1
fi
# No program needs a DLL of MinGW's: only SDL and Windows' own.
for program in wavestring wavestring_paced; do
    imports=$(x86_64-w64-mingw32-objdump -p "$dir/zip/$program.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' \
        | LC_ALL=C sort | tr '\n' ' ')
    echo "$program.exe imports $imports"
    [ "$imports" = "KERNEL32.dll SDL.dll USER32.dll msvcrt.dll " ] || { echo "unexpected imports" >&2; exit 1; }
done
grep -q "^  libsdl1.2, version [^ ]" "$dir/zip/SDL-source.txt" || { echo "SDL-source.txt names no version" >&2; exit 1; }

export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init
wineserver --wait
