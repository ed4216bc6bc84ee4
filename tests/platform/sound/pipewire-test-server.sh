#!/usr/bin/env bash
# A private PipeWire with its PulseAudio server (pipewire, wireplumber,
# pipewire-pulse) for the tests of the real sound backend, with the same
# virtual unit devices as the PulseAudio test server.
#
#   pipewire-test-server.sh start DIR      start it (socket DIR/native), load the SAL unit
#   pipewire-test-server.sh stop DIR       stop it
#   pipewire-test-server.sh unit DIR ROLE  replace the unit's devices (ROLE: SAL, MAS, SLV, none)
#
# PipeWire starts in a test only with a D-Bus session bus and a runtime folder of
# its own: both live in DIR, so a desktop's sound server is never touched.
set -euo pipefail
cmd=${1:?command}
dir=${2:?folder}
here=$(cd "$(dirname "$0")" && pwd)
run=$dir/run

private_env() {
  export HOME=$dir XDG_RUNTIME_DIR=$run XDG_CONFIG_HOME=$dir/config XDG_STATE_HOME=$dir/state \
    XDG_DATA_HOME=$dir/data DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus \
    PULSE_SERVER=unix:$dir/native PULSE_RUNTIME_PATH=$run/pulse
  unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR DISPLAY WAYLAND_DISPLAY
}

stop_server() {
  local pids=() pid
  for name in pipewire-pulse wireplumber pipewire dbus; do
    [[ -f $dir/$name.pid ]] && pids+=("$(cat "$dir/$name.pid")")
    rm -f "$dir/$name.pid"
  done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null || true
  done
}

start_daemon() {
  local name=$1; shift
  setsid "$@" </dev/null >>"$dir/$name.log" 2>&1 &
  echo $! >"$dir/$name.pid"
}

case $cmd in
start)
  stop_server
  if (( ${#dir} + 20 >= 100 )); then
    echo "folder path too long for the servers' unix sockets: $dir" >&2
    exit 1
  fi
  rm -rf "$dir"
  mkdir -p "$run" "$dir/config" "$dir/state" "$dir/data"
  chmod 700 "$run"
  private_env
  # No Bluetooth in the tests: its monitor needs logind's state below /run/systemd,
  # which a machine without systemd lacks, and wireplumber then quits at once
  # ("disconnected from pipewire"), leaving every stream unlinked.
  mkdir -p "$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d"
  echo 'bluez_monitor.enabled = false' >"$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d/80-test-server.lua"
  dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile >"$dir/dbus.log" 2>&1 &
  echo $! >"$dir/dbus.pid"
  for _ in $(seq 100); do [[ -S $dir/bus ]] && break; sleep 0.05; done
  start_daemon pipewire pipewire
  for _ in $(seq 100); do [[ -S $run/pipewire-0 ]] && break; sleep 0.05; done
  start_daemon wireplumber wireplumber
  start_daemon pipewire-pulse pipewire-pulse
  for _ in $(seq 100); do [[ -S $run/pulse/native ]] && break; sleep 0.05; done
  ln -sf "$run/pulse/native" "$dir/native"
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "the PipeWire test server did not come up:" >&2
    tail -n 20 "$dir"/*.log >&2 || true
    stop_server
    exit 1
  fi
  # Without its session manager no stream is ever linked: say so here rather
  # than in every test that then hears nothing.
  if ! kill -0 "$(cat "$dir/wireplumber.pid")" 2>/dev/null; then
    echo "the PipeWire test server's session manager (wireplumber) quit:" >&2
    tail -n 20 "$dir/wireplumber.log" >&2 || true
    stop_server
    exit 1
  fi
  "$here/pulse-test-server.sh" unit "$dir" SAL
  ;;
stop) stop_server ;;
unit) private_env; "$here/pulse-test-server.sh" unit "$dir" "${3:?role}" ;;
*) echo "usage: $0 start|stop|unit DIR [ROLE]" >&2; exit 2 ;;
esac
