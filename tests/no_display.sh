#!/bin/sh
# Starts a program with the X11 driver and no display to open: it must exit
# with status 1 after one line on stderr that names it and says what failed.
program=$1
name=$2
err=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$program" 2>&1 >/dev/null)
status=$?
echo "status $status: $err"
[ "$status" -eq 1 ] || { echo "expected status 1"; exit 1; }
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || { echo "expected one line"; exit 1; }
case "$err" in
  "$name: SDL_"*" failed: "?*) ;;
  *) echo "expected '$name: SDL_... failed: <reason>'"; exit 1 ;;
esac
