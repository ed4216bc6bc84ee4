#!/bin/sh
# One script on the real stack in another locale: the transcript, the unit's
# traffic and the lines whose place depends on timing aside, must be the
# expected one (the texts the program writes do not follow the locale).
#   in-locale.sh RUNNER SCRIPT EXPECTED LOCALE
# Exit 77 (skipped) when the locale is not installed.
set -u
runner=$1
script=$2
expected=$3
wanted=$4
if ! locale -a 2>/dev/null | grep -ix "$(echo "$wanted" | sed 's/UTF-8/utf-\\?8/I')" >/dev/null; then
    echo "the locale $wanted is missing (scripts/install-deps.sh test generates it)"
    exit 77
fi
options=$(sed -n 's/^# options: *//p' "$script" | head -n 1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2086
LANG=$wanted LC_ALL=$wanted "$runner" --stack=real $options "$script" >"$work/real" 2>"$work/real.err"
echo "exit $?" >>"$work/real"
grep -v -E '^([0-9]+[<>] |card [0-9]+ back |mixer |sound [0-9]+ |recording [0-9]+ )' "$work/real" >"$work/kept"
if diff -u "$expected" "$work/kept"; then
    exit 0
fi
echo "--- real stack stderr"
cat "$work/real.err"
exit 1
