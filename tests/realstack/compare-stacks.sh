#!/bin/sh
# One script on both stacks: the transcript of the real stack must be the
# simulated stack's, the lines whose place depends on timing aside, and both
# runs must end alike.
#   compare-stacks.sh RUNNER SCRIPT [KNOWN]
# Options for the runner come from a line "# options: ..." in the script.
#
# Left aside: "card N back" (a real card is listed by the sound server's own
# clock, so where its line falls among the others varies) and "mixer" lines (the
# real stack's volumes are the sound server's, not observed), and the real
# stack's own "sound N heard|silent" lines (what reached a card's playback
# device) and "recording N heard|silent" lines (whether a recording holds what
# unit N's recording device heard; 0: no unit's), of which none may say silent
# and none may name unit 0.
#
# Known differences between the stacks are written down next to the script as
# NAME.stack-diff (the "< sim" and "> real" lines of `diff SIM REAL`, without
# its line numbers, reviewed by hand), in parts separated by blank lines; the
# run must show some of the parts, in their order, or none (a difference may
# hang on a race the real stack does not always lose); KNOWN names the file of a
# script kept elsewhere. Without the file the transcripts must be equal.
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

keep() { grep -v -E '^(card [0-9]+ back |mixer |sound [0-9]+ |recording [0-9]+ )' "$1"; }
keep "$work/sim" >"$work/sim.kept"
keep "$work/real" >"$work/real.kept"
commands=$(grep -c -E '^[0-9]+> ' "$work/real")
echo "real stack: $(basename "$script") took $took ms, $commands commands"
if ! grep -q -E '^[0-9]+> ' "$work/sim" || [ "$(tail -n 1 "$work/sim")" != "exit 0" ] ||
    grep -q -E '^(expect failed|stalled)' "$work/sim"; then
    echo "the scenario does not pass on the simulated stack:"
    cat "$work/sim" "$work/sim.err"
    exit 1
fi
if grep -q -E '^sound [0-9]+ silent' "$work/real"; then
    echo "an engine played to a card whose playback device heard nothing:"
    cat "$work/real"
    exit 1
fi
if grep -q -E '^recording ([0-9]+ silent|0 )' "$work/real"; then
    echo "a recording holds nothing its unit's recording device heard:"
    cat "$work/real"
    exit 1
fi
diff "$work/sim.kept" "$work/real.kept" | grep -E '^[<>] ' >"$work/diff"
known="${3:-${script%.scn}.stack-diff}"
if [ ! -s "$work/diff" ]; then
    exit 0
elif [ -f "$known" ]; then
    # Each part (parts are separated by blank lines) may show or not: the
    # run's difference must be some of them, in their order.
    parts=$(awk 'BEGIN { n = 1 } /^$/ { n++ } END { print n }' "$known")
    mask=1
    while [ "$mask" -lt $((1 << parts)) ]; do
        awk -v m="$mask" 'BEGIN { n = 0 } /^$/ { n++; next } int(m / 2 ^ n) % 2 == 1' "$known" >"$work/expected"
        cmp -s "$work/expected" "$work/diff" && exit 0
        mask=$((mask + 1))
    done
    diff -u "$known" "$work/diff" >"$work/unexpected"
    echo "the stacks differ otherwise than $known says:"
    cat "$work/unexpected"
else
    echo "the real stack's transcript differs from the simulated stack's (< sim, > real):"
    cat "$work/diff"
fi
echo "--- real stack stderr"
cat "$work/real.err"
exit 1
