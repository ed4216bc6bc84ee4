#!/usr/bin/env bash
# Each program's command line: what it refuses, with which exit code and first
# line on standard error, and whether its usage follows; what it accepts that
# stops before any window, unit or sound server is needed.
#
#   arguments-test.sh PROGRAM...
set -u
declare -A path_of
for program in "$@"; do
    path_of[$(basename "$program")]=$program
done

fails=0
fail() {
    echo "FAIL: $*" >&2
    fails=$((fails + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 2
printf 'start\nend\n' >end.scn

# PROGRAM | arguments | exit code | usage on standard error (usage or -) | the start of its first line
while IFS='|' read -r program arguments code usage message; do
    [[ -z $program || $program == \#* || -z ${path_of[$program]:-} ]] && continue
    eval "words=($arguments)"
    err=$(QT_QPA_PLATFORM=offscreen "${path_of[$program]}" "${words[@]}" </dev/null 2>&1 >/dev/null)
    rc=$?
    first=${err%%$'\n'*}
    [[ $rc == "$code" ]] || fail "$program $arguments: exit $rc, expected $code ($first)"
    [[ $first == "$message"* ]] || fail "$program $arguments: said '$first', expected '$message...'"
    shown=-
    [[ $err == *$'\n'usage:* ]] && shown=usage
    [[ $shown == "$usage" ]] || fail "$program $arguments: usage shown: $shown, expected: $usage"
done <<'TABLE'
quorvel-hid-viewer|--no-such-option|2|usage|quorvel-hid-viewer: The following argument was not expected: --no-such-option
quorvel-hid-viewer|stray|2|usage|quorvel-hid-viewer: The following argument was not expected: stray
quorvel-hid-viewer|--count 0|2|usage|quorvel-hid-viewer: --count: 0 is not a number of records (1 or more)
quorvel-hid-viewer|--count=-3|2|usage|quorvel-hid-viewer: --count: -3 is not a number of records (1 or more)
quorvel-hid-viewer|--count 2x|2|usage|quorvel-hid-viewer: --count: 2x is not a number of records
quorvel-hid-viewer|--count|2|usage|quorvel-hid-viewer: --count: 1 required N missing
quorvel-hid-viewer|--count= 5|2|usage|quorvel-hid-viewer: --count: no value after '='
quorvel-hid-viewer|--help --no-such-option|0|-|
vk550-scenario|--no-such-option|2|usage|vk550-scenario: The following argument was not expected: --no-such-option
vk550-scenario|one.scn two.scn|2|usage|vk550-scenario: The following argument was not expected: two.scn
vk550-scenario|--stack=moon end.scn|2|usage|vk550-scenario: --stack: moon not in {sim,real}
vk550-scenario|--config-dir= end.scn|2|usage|vk550-scenario: --config-dir: no value after '='
vk550-scenario|--config-dir '' end.scn|2|usage|vk550-scenario: --config-dir: a folder is needed
vk550-scenario|--units=bogus end.scn|2|-|vk550-scenario: unknown kind of units: bogus
vk550-scenario|missing.scn|2|-|missing.scn:0: cannot be read
vk550-scenario|--help|0|-|
vk550-scenario|--units=stand-alone end.scn|0|-|
vk550-scenario|--stack sim --config-dir=settings end.scn|0|-|
quorvel-vk550-config|--no-such-option|2|usage|quorvel-vk550-config: The following argument was not expected: --no-such-option
quorvel-vk550-config|--simulate=bogus|2|usage|quorvel-vk550-config: unknown kind of simulated units: bogus
quorvel-vk550-config|--simulate=|2|usage|quorvel-vk550-config: --simulate: no value after '='
quorvel-vk550-config|-platform offscreen -style fusion --simulate=bogus|2|usage|quorvel-vk550-config: unknown kind of simulated units: bogus
quorvel-vk550-config|--simulate master|2|usage|quorvel-vk550-config: The following argument was not expected: master
quorvel-vk550-config|-platform offscreen --help|0|-|
vk550ctl|--no-such-option|2|usage|vk550ctl: The following argument was not expected: --no-such-option
vk550ctl|nonsense|2|usage|vk550ctl: The following argument was not expected: nonsense
vk550ctl|--simulate= list|2|usage|vk550ctl: --simulate: no value after '='
TABLE

# A script from standard input, with and without "-", runs as by its name.
scenario=${path_of[vk550-scenario]:-}
if [[ -n $scenario ]]; then
    by_name=$("$scenario" end.scn 2>&1)
    from_stdin=$("$scenario" - <end.scn 2>&1) || fail "vk550-scenario - <end.scn exited $?"
    bare=$("$scenario" <end.scn 2>&1) || fail "vk550-scenario <end.scn exited $?"
    [[ $from_stdin == "${by_name//end.scn/<stdin>}" && $bare == "$from_stdin" ]] ||
        fail "vk550-scenario: the script from standard input ran otherwise than by its name"
fi

((fails == 0)) || { echo "$fails failure(s)" >&2; exit 1; }
echo "arguments: every program refuses and accepts as designed"
