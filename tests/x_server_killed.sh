#!/bin/sh
# Runs a program on the X server of with_xvfb.sh, waits until its frame loop
# shows the caption, then kills the server. The program must end within the
# deadline (not spin or hang) and not by a signal, and no sanitizer may speak up.
#   with_xvfb.sh x_server_killed.sh PROGRAM [SDL_LIBRARY_DIR]
# The last argument runs the program on another SDL 1.2 library, such as
# sdl12-compat. WAVESTRING_TEST_TIMEOUT_SCALE stretches the deadlines.
program=$1
libdir=${2:-}
scale=${WAVESTRING_TEST_TIMEOUT_SCALE:-1}
start_deadline=$((30 * scale)) # seconds for the first frame
end_deadline=$((5 * scale))    # seconds for the program to end once the server is gone

work=$(mktemp -d)
client=""
cleanup() {
    [ -n "$client" ] && kill -KILL "$client" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Polls a command every 50 ms until it succeeds or the seconds run out.
poll() {
    seconds=$1
    shift
    until_ms=$(($(now_ms) + seconds * 1000))
    until "$@"; do
        [ "$(now_ms)" -ge "$until_ms" ] && return 1
        sleep 0.05
    done
}

XDG_RUNTIME_DIR="$work" LD_LIBRARY_PATH="$libdir" "$program" >/dev/null 2>"$work/stderr" </dev/null &
client=$!

# Gone, or ended and not yet waited for (a zombie still answers kill -0).
client_gone() {
    state=$(sed 's/.*) //' "/proc/$client/stat" 2>/dev/null) || return 0
    case "$state" in
      "" | Z*) return 0 ;;
      *) return 1 ;;
    esac
}
caption_shown() {
    xwininfo -root -tree 2>/dev/null | grep -q '"Vibrelle : k=0.900000 et t=1"'
}
caption_shown_or_client_gone() { client_gone || caption_shown; }
if ! poll "$start_deadline" caption_shown_or_client_gone || client_gone; then
    echo "no window with the frame caption on $DISPLAY"
    cat "$work/stderr"
    exit 1
fi

killed_at=$(now_ms)
kill -KILL "$XVFB_PID"

if ! poll "$end_deadline" client_gone; then
    echo "still running $end_deadline s after the X server was killed"
    exit 1
fi
wait "$client"
status=$?
client=""
echo "ended $(($(now_ms) - killed_at)) ms after the X server was killed, status $status"
cat "$work/stderr"
if [ "$status" -ge 128 ]; then
    echo "ended by signal $((status - 128))"
    exit 1
fi
if grep -q 'Sanitizer\|runtime error' "$work/stderr"; then
    exit 1
fi
exit 0
