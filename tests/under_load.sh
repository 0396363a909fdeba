#!/bin/sh
# Runs the whole suite ROUNDS times in a row (default 5) with `ctest -j6`
# while four busy loops keep every core of a small machine busy, and says how
# many rounds passed. The tests must hold under such a load.
#   tests/under_load.sh [BUILD_DIR [ROUNDS]]
build=${1:-build}
rounds=${2:-5}
loops=""
trap 'kill $loops 2>/dev/null' EXIT
trap 'exit 1' INT TERM
for _ in 1 2 3 4; do
    sh -c 'while :; do :; done' &
    loops="$loops $!"
done

passed=0
for round in $(seq "$rounds"); do
    echo "== round $round of $rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
    if ctest --test-dir "$build" --output-on-failure -j6; then
        passed=$((passed + 1))
    fi
done
echo "== $passed of $rounds rounds passed, load average $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$passed" -eq "$rounds" ]
