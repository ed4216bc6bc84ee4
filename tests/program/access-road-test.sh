#!/usr/bin/env bash
# The wizard driven by names over the accessibility bus in a real X window, as a
# screen reader or a script drives it: a private X server (Xvfb), a private D-Bus
# session (which starts the accessibility bus), a private home, and
# access_road.py going through the whole road of a new simulated unit.
#   access-road-test.sh WIZARD
# Exits 77 (skipped) when Xvfb, dbus-run-session or python3-pyatspi are missing
# (scripts/install-deps.sh test installs them).
set -euo pipefail
wizard=${1:?wizard}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # Debian's, with its pyatspi (a python on PATH may lack it)

for tool in Xvfb dbus-run-session setsid; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
done
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: $python has no pyatspi (python3-pyatspi)" >&2; exit 77; }

dir=$(mktemp -d /tmp/vk-access-road-XXXXXX)
xvfb= openbox= road=
cleanup() {
  # The road runs in its own process group: the session bus, the accessibility
  # bus and its registry, and the wizard go with it.
  [[ -n $road ]] && kill -KILL -- "-$road" 2>/dev/null || true
  [[ -n $openbox ]] && kill "$openbox" 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  [[ -n $xvfb ]] && wait "$xvfb" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

mkdir -p "$dir/home/.config" "$dir/home/.local/share" "$dir/home/.cache" "$dir/home/.local/state"
mkdir -m 700 "$dir/run"
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_DATA_HOME=$dir/home/.local/share \
  XDG_CACHE_HOME=$dir/home/.cache XDG_STATE_HOME=$dir/home/.local/state XDG_RUNTIME_DIR=$dir/run
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS WAYLAND_DISPLAY QUORVEL_WINDOWS_DIR
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 3>"$dir/display" 2>"$dir/xvfb.err" &
xvfb=$!
for _ in $(seq 300); do
  [[ -s $dir/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: Xvfb ended: $(cat "$dir/xvfb.err")" >&2; exit 1; }
  sleep 0.1
done
[[ -s $dir/display ]] || { echo "FAIL: Xvfb gave no display within 30 s: $(cat "$dir/xvfb.err")" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$dir/display")
# A window manager frames the windows as on a desktop (the road checks that the
# wizard keeps its place through the inputs page); without one the check is weaker.
if command -v openbox >/dev/null; then
  openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  openbox=$!
else
  echo "note: no openbox, the windows have no frames" >&2
fi

# Each step of the road waits at most 30 s; the whole road at most 240 s. What
# the road, the wizard and the buses say is shown when the road fails.
setsid -w timeout -k 5 240 dbus-run-session -- "$python" "$here/access_road.py" "$wizard" \
  >"$dir/road.log" 2>&1 &
road=$!
rc=0
wait "$road" || rc=$?
if [[ $rc == 0 ]]; then
  grep -F "the road went to its end" "$dir/road.log" || true
else
  cat "$dir/road.log" >&2
  [[ $rc == 124 ]] && echo "FAIL: the road did not end within 240 s" >&2
fi
exit "$rc"
