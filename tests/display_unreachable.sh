#!/bin/sh
# Starts a program where no display can be reached and lets SDL pick its video
# driver as it does for a user: with no DISPLAY at all (SDL_VIDEODRIVER unset,
# then empty), and with a DISPLAY that names no server. Each time the program must end within the
# deadline with status 1, after one line on stderr that names it and says what
# failed, whatever driver SDL fell back on.
#   display_unreachable.sh PROGRAM NAME UNUSED_DISPLAY [SDL_LIBRARY_DIR]
# UNUSED_DISPLAY is a display number with no server (e.g. 79); the last
# argument runs the program on another SDL 1.2 library, such as sdl12-compat.
# WAVESTRING_TEST_TIMEOUT_SCALE stretches the deadline.
program=$1
name=$2
display=$3
libdir=${4:-}
deadline=$((20 * ${WAVESTRING_TEST_TIMEOUT_SCALE:-1}))

if [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; then
    echo "display :$display has a server; cannot test an unreachable one"
    exit 1
fi

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
failed=0

check() {
    what=$1
    shift
    err=$(env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" \
        LD_LIBRARY_PATH="$libdir" "$@" timeout "$deadline" "$program" 2>&1 >/dev/null </dev/null)
    status=$?
    echo "$what: status $status: $err"
    if [ "$status" -eq 124 ]; then
        echo "  still running after $deadline s"
        failed=1
    elif [ "$status" -ne 1 ]; then
        echo "  expected status 1"
        failed=1
    elif [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then
        echo "  expected one line"
        failed=1
    else
        case "$err" in
          "$name: SDL_"*" failed: "?*) ;;
          *) echo "  expected '$name: SDL_... failed: <reason>'"; failed=1 ;;
        esac
    fi
}

check "no DISPLAY" env -u DISPLAY
check "no DISPLAY, empty SDL_VIDEODRIVER" env -u DISPLAY SDL_VIDEODRIVER=
check "DISPLAY=:$display" env DISPLAY=":$display"
exit $failed
