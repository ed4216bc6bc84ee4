#!/usr/bin/env bash
# vk550ctl sound against a test sound server: names the unit's devices while they
# are there, and says so when no device carries the unit's name instead of naming
# a device it fell back to.
#   sound-test.sh VK550CTL SERVER_SCRIPT SERVER_DIR
set -euo pipefail
ctl=${1:?vk550ctl}; script=${2:?server script}; dir=${3:?server folder}
export PULSE_SERVER=unix:$dir/native PULSE_COOKIE=$dir/cookie
fail() { echo "FAIL: $*" >&2; "$script" unit "$dir" SAL || true; exit 1; }

out=$("$ctl" sound) || fail "vk550ctl sound exited $?"
grep -qx "unit recording device: Qrvl VK550_SAL Microphone" <<<"$out" || fail "unit microphone not named: $out"
grep -qx "unit playback device:  Qrvl VK550_SAL Speaker" <<<"$out" || fail "unit speaker not named: $out"

"$script" unit "$dir" none
out=$("$ctl" sound) || fail "vk550ctl sound exited $?"
grep -qx "unit recording device: none: no device carries the unit's name \"Qrvl\"" <<<"$out" || fail "no unit microphone: $out"
grep -qx "unit playback device:  none: no device carries the unit's name \"Qrvl\"" <<<"$out" || fail "no unit speaker: $out"
"$script" unit "$dir" SAL
