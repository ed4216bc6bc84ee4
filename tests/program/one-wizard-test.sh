#!/usr/bin/env bash
# Two starts of the wizard: the second finds the first by its window title, asks
# it to the front and ends with 0, and the first runs on.
#   one-wizard-test.sh WIZARD
set -euo pipefail
wizard=${1:?wizard}
dir=$(mktemp -d /tmp/vk-one-wizard-XXXXXX)
first=
cleanup() {
  if [[ -n $first ]]; then
    kill "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
mkdir -m 700 "$dir/run" "$dir/windows"
export QUORVEL_WINDOWS_DIR=$dir/windows XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config \
  XDG_DATA_HOME=$dir/data QT_QPA_PLATFORM=offscreen

"$wizard" --simulate=stand-alone 2>"$dir/first.err" &
first=$!
socket="$dir/windows/Quorvel Dravena Configuration"
for _ in $(seq 200); do
  [[ -S $socket ]] && break
  kill -0 "$first" 2>/dev/null || { echo "FAIL: the first wizard ended: $(cat "$dir/first.err")" >&2; exit 1; }
  sleep 0.05
done
[[ -S $socket ]] || { echo "FAIL: the first wizard never took its window title" >&2; exit 1; }

rc=0
timeout 20 "$wizard" --simulate=stand-alone 2>"$dir/second.err" || rc=$?
[[ $rc == 0 ]] || { echo "FAIL: the second start exited $rc: $(cat "$dir/second.err")" >&2; exit 1; }
grep -q "brought to the front" "$dir/second.err" || { echo "FAIL: second start said: $(cat "$dir/second.err")" >&2; exit 1; }
grep -q "Cannot take the window title" "$dir/first.err" "$dir/second.err" && { echo "FAIL: a second window" >&2; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "FAIL: the first wizard ended" >&2; exit 1; }
echo "the second start raised the first and ended"
