#!/bin/sh
# One e2e test: the scenario's output must equal its .expected file.
#   check.sh RUNNER SCRIPT
set -u
here=$(dirname "$0")
expected="${2%.scn}.expected"
actual=$(mktemp)
"$here/run-scenario.sh" "$1" "$2" >"$actual"
if diff -u "$expected" "$actual"; then
    rm -f "$actual"
    exit 0
fi
echo "scenario output differs from $expected (see tests/e2e/README.md to regenerate)"
rm -f "$actual"
exit 1
