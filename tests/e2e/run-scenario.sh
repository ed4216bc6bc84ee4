#!/bin/sh
# Runs one scenario script and prints what the e2e comparison looks at: the
# transcript, the exit code and what went to standard error.
#   run-scenario.sh RUNNER SCRIPT
# Options for the runner come from a line "# options: ..." in the script.
set -u
runner=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
script=$2
dir=$(dirname "$script")
name=$(basename "$script")
options=$(sed -n 's/^# options: *//p' "$script" | head -n 1)
err=$(mktemp)
# Run from the script's folder so that SCRIPT:LINE messages name the file alone.
# shellcheck disable=SC2086
(cd "$dir" && "$runner" $options "$name" 2>"$err")
code=$?
echo "--- exit $code"
if [ -s "$err" ]; then
    echo "--- stderr"
    cat "$err"
fi
rm -f "$err"
