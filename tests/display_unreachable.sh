#!/bin/sh
# Starts a program where no display can be reached and lets SDL pick its video
# driver as it does for a user: with no DISPLAY at all (SDL_VIDEODRIVER unset,
# then empty), and with a DISPLAY that names no server. Each time the program must end within the
# deadline with status 1, after one line on stderr that names it and says what
# failed, whatever driver SDL fell back on; an argument it does not know ends
# it first, with status 2 and a line that names the argument. In a terminal (a tmux pane) the line must still be on the
# screen afterwards and the terminal's title kept. --help and --version print
# and end with status 0, which with no display shows that no window was opened.
#   display_unreachable.sh PROGRAM NAME UNUSED_DISPLAY [SDL_LIBRARY_DIR]
# UNUSED_DISPLAY is a display number with no server (e.g. 79); the last
# argument runs the program on another SDL 1.2 library, such as sdl12-compat.
# WAVESTRING_TEST_TIMEOUT_SCALE stretches the deadline.
program=$1
name=$2
display=$3
libdir=${4:-}
deadline=$((20 * ${WAVESTRING_TEST_TIMEOUT_SCALE:-1}))
# The messages in English, whatever the language of the tests' environment.
unset LANGUAGE LC_MESSAGES
export LC_ALL=C.UTF-8

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
err=$(env -u DISPLAY LD_LIBRARY_PATH="$libdir" timeout "$deadline" "$program" --unknown 2>&1 >/dev/null </dev/null)
status=$?
echo "an unknown argument: status $status: $err"
[ "$status" -eq 2 ] && [ "$err" = "$name: --unknown: unknown option (see --help)" ] \
    || { echo "  expected status 2 and '$name: --unknown: unknown option (see --help)'"; failed=1; }

answers() {
    option=$1 wanted=$2
    out=$(env -u DISPLAY LD_LIBRARY_PATH="$libdir" timeout "$deadline" "$program" "$option" 2>&1)
    status=$?
    printf '%s: status %s: %s\n' "$option" "$status" "$(printf '%s\n' "$out" | head -1)"
    case "$status:$out" in
      0:$wanted) ;;
      *) echo "  expected status 0 and '$wanted'"; failed=1 ;;
    esac
}
answers --version "$name 1.0.0"
answers --help "Usage: $name *Escape*quit*man 6 $name"

# A real terminal: the pane keeps its title and shows the line once the
# program has ended (cat then holds the pane open).
if command -v tmux >/dev/null; then
    socket="$runtime/tmux"
    env -u DISPLAY -u SDL_VIDEODRIVER -u TMUX tmux -S "$socket" -f /dev/null new-session -d \
        "printf '\\033]2;terminal title\\007'; env LD_LIBRARY_PATH='$libdir' XDG_RUNTIME_DIR='$runtime' '$program'; echo \"status \$?\"; exec cat"
    end=$(($(date +%s) + deadline))
    until tmux -S "$socket" capture-pane -p | grep -q '^status' || [ "$(date +%s)" -gt "$end" ]; do
        sleep 0.05
    done
    pane=$(tmux -S "$socket" capture-pane -p | sed '/^$/d')
    title=$(tmux -S "$socket" display -p '#{pane_title}')
    tmux -S "$socket" kill-server
    printf 'tmux pane, title "%s":\n%s\n' "$title" "$pane"
    case "$pane" in
      "$name: SDL_"*" failed: "?*"
status 1") ;;
      *) echo "  expected the one line, then status 1"; failed=1 ;;
    esac
    [ "$title" = "terminal title" ] || { echo "  the title changed"; failed=1; }
fi
exit $failed
