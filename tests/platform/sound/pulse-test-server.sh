#!/usr/bin/env bash
# A private PulseAudio server for the tests of the real sound backend, with
# virtual devices named like a unit's sound card.
#
#   pulse-test-server.sh start DIR      start it (socket DIR/native), load the SAL unit
#   pulse-test-server.sh stop DIR       stop it by its pid
#   pulse-test-server.sh unit DIR ROLE  replace the unit's devices (ROLE: SAL, MAS, SLV, none)
#
# The unit's speaker is a null sink; its microphone is the left channel of that
# sink's monitor remapped to mono, so it is clocked and hears what is played at
# the level played (a down-mix would change it, and differently on PipeWire).
set -euo pipefail
cmd=${1:?command}
dir=${2:?folder}
sock=$dir/native
export PULSE_SERVER=unix:$sock PULSE_COOKIE=$dir/cookie
export HOME=$dir XDG_RUNTIME_DIR=$dir XDG_CONFIG_HOME=$dir PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir

stop_server() {
  [[ -f $dir/pid ]] || return 0
  local pid
  pid=$(cat "$dir/pid")
  rm -f "$dir/pid"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.05
  done
  kill -9 "$pid" 2>/dev/null || true
}

unit_modules() {
  pactl list short modules | awk '/sink_name=vk_|source_name=vk_/ { print $1 }' | sort -rn
}

load_unit() {
  local role=$1 lower
  for m in $(unit_modules); do pactl unload-module "$m"; done
  [[ $role == none ]] && return 0
  lower=${role,,}
  pactl load-module module-null-sink sink_name=vk_${lower}_spk rate=16000 \
    "sink_properties=\"device.description='Qrvl VK550_${role} Speaker'\"" >/dev/null
  pactl load-module module-remap-source source_name=vk_${lower}_mic master=vk_${lower}_spk.monitor master_channel_map=front-left \
    channels=1 channel_map=mono "source_properties=\"device.description='Qrvl VK550_${role} Microphone'\"" >/dev/null
}

case $cmd in
start)
  stop_server
  if (( ${#sock} >= 100 )); then
    echo "socket path too long for a unix socket: $sock" >&2
    exit 1
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  cat >"$dir/server.pa" <<PA
load-module module-native-protocol-unix socket=$sock auth-anonymous=1
load-module module-null-sink sink_name=vk_sal_spk rate=16000 sink_properties="device.description='Qrvl VK550_SAL Speaker'"
load-module module-remap-source source_name=vk_sal_mic master=vk_sal_spk.monitor master_channel_map=front-left channels=1 channel_map=mono source_properties="device.description='Qrvl VK550_SAL Microphone'"
PA
  setsid pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --realtime=no --high-priority=no --log-target="file:$dir/log" --log-level=notice \
    </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
  done
  if ! pactl info >/dev/null 2>&1 || grep -q '^E:' "$dir/log"; then
    echo "the PulseAudio test server did not come up:" >&2
    cat "$dir/log" >&2 || true
    stop_server
    exit 1
  fi
  ;;
stop) stop_server ;;
unit) load_unit "${3:?role}" ;;
*) echo "usage: $0 start|stop|unit DIR [ROLE]" >&2; exit 2 ;;
esac
