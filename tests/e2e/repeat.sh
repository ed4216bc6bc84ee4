#!/bin/sh
# A scenario's transcript is the same in every run: runs it COUNT times and
# compares each output (transcript, exit code, standard error) with the first.
#   repeat.sh RUNNER SCRIPT COUNT
set -u
here=$(dirname "$0")
first=$(mktemp)
other=$(mktemp)
trap 'rm -f "$first" "$other"' EXIT
"$here/run-scenario.sh" "$1" "$2" >"$first"
i=2
while [ "$i" -le "$3" ]; do
    "$here/run-scenario.sh" "$1" "$2" >"$other"
    if ! diff -u "$first" "$other"; then
        echo "run $i of $2 differs from run 1"
        exit 1
    fi
    i=$((i + 1))
done
echo "$3 runs of $2 alike"
