#!/usr/bin/env bash
# Installs what is missing, builds (Release) and starts the wizard.
#   ./run.sh                 against the real unit (hidapi + PulseAudio)
#   ./run.sh --simulate      against the built-in simulated unit
#   ./run.sh --simulate=KIND KIND: new (default), stand-alone, master, slave, master+slave
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_BUILD_TESTS=OFF -DVK_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
exec build-release/program/quorvel-vk550-config "$@"
