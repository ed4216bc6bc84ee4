#!/usr/bin/env bash
# Installs what is missing, builds (Release) and starts the wizard.
#   ./run.sh                 against the real unit (hidapi + PulseAudio)
#   ./run.sh --simulate      against the built-in simulated unit
#   ./run.sh --simulate=KIND KIND: new (default), stand-alone, master, slave, master+slave
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF -DVK_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
# A session without a runtime folder (a text console, su, a container): a
# private one, as the desktop would give, so Qt does not warn on every start.
if [[ -z ${XDG_RUNTIME_DIR:-} || ! -d $XDG_RUNTIME_DIR ]]; then
  XDG_RUNTIME_DIR=${TMPDIR:-/tmp}/runtime-$(id -u)
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
exec build-release/program/quorvel-vk550-config "$@"
