#!/bin/sh
# Runs a command on a private Xvfb server and stops the server afterwards.
#   with_xvfb.sh COMMAND [ARG...]
# COMMAND gets DISPLAY (and XVFB_PID, the server's process), without
# WAYLAND_DISPLAY or SDL_VIDEODRIVER; the exit status is COMMAND's. The server
# takes the first free display from WAVESTRING_TEST_DISPLAY (90) on, trying
# WAVESTRING_TEST_DISPLAY_TRIES (10) of them. It runs with -noreset: SDL opens
# and closes a probe connection first, and a server that resets then may
# refuse the next client.
first=${WAVESTRING_TEST_DISPLAY:-90}
last=$((first + ${WAVESTRING_TEST_DISPLAY_TRIES:-10} - 1))
deadline=$((20 * ${WAVESTRING_TEST_TIMEOUT_SCALE:-1})) # seconds for the server to start
work=$(mktemp -d)
server=""
stop() {
    [ -z "$server" ] || { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; }
    server=""
}
trap 'stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
mkfifo "$work/ready"

for number in $(seq "$first" "$last"); do
    # Xvfb writes the display number to descriptor 3 once it takes clients,
    # and exits at once, closing it, when the display is in use.
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset -displayfd 3 \
        3>"$work/ready" >/dev/null 2>&1 &
    server=$!
    if [ -n "$(timeout "$deadline" head -n 1 "$work/ready")" ]; then
        env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=":$number" XVFB_PID="$server" "$@"
        exit
    fi
    stop
done
echo "with_xvfb.sh: no free X display in :$first to :$last" >&2
exit 1
