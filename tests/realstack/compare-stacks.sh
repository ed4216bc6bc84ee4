#!/bin/sh
# One script on both stacks: the transcript of the real stack must be the
# simulated stack's, the lines whose place depends on timing aside, and both
# runs must end alike.
#   compare-stacks.sh RUNNER SCRIPT
# Options for the runner come from a line "# options: ..." in the script.
#
# Left aside: "card N back" (a real card is listed by the sound server's own
# clock, so where its line falls among the others varies) and "mixer" lines (the
# real stack's volumes are the sound server's, not observed).
set -u
runner=$1
script=$2
options=$(sed -n 's/^# options: *//p' "$script" | head -n 1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck disable=SC2086
"$runner" --stack=sim $options "$script" >"$work/sim" 2>"$work/sim.err"
echo "exit $?" >>"$work/sim"
start=$(date +%s%N)
# shellcheck disable=SC2086
"$runner" --stack=real $options "$script" >"$work/real" 2>"$work/real.err"
echo "exit $?" >>"$work/real"
took=$(( ($(date +%s%N) - start) / 1000000 ))

keep() { grep -v -E '^(card [0-9]+ back |mixer )' "$1"; }
keep "$work/sim" >"$work/sim.kept"
keep "$work/real" >"$work/real.kept"
commands=$(grep -c -E '^[0-9]+> ' "$work/real")
echo "real stack: $(basename "$script") took $took ms, $commands commands"
if ! grep -q -E '^[0-9]+> ' "$work/sim"; then
    echo "the simulated run sent no command: nothing to compare"
    cat "$work/sim" "$work/sim.err"
    exit 1
fi
if diff -u "$work/sim.kept" "$work/real.kept" >"$work/diff"; then
    exit 0
fi
echo "the real stack's transcript differs from the simulated stack's:"
cat "$work/diff"
echo "--- real stack stderr"
cat "$work/real.err"
exit 1
