#!/usr/bin/env bash
# The committed screenshots show the pages as the layouts draw them now: each is
# drawn again into a scratch folder and must have the committed file's size.
#   screenshots-test.sh SCREENSHOTS_PROGRAM COMMITTED_FOLDER
set -euo pipefail
program=${1:?program}; committed=${2:?folder}
dir=$(mktemp -d /tmp/vk-shots-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config QUORVEL_WINDOWS_DIR=$dir/windows \
  "$program" "$dir/shots" >/dev/null

size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }
stale=()
for shot in "$dir"/shots/*.png; do
  name=$(basename "$shot")
  if [[ ! -f $committed/$name ]]; then
    stale+=("$name (missing)")
  elif [[ $(size "$shot") != $(size "$committed/$name") ]]; then
    stale+=("$name ($(size "$committed/$name"), drawn now $(size "$shot"))")
  fi
done
if (( ${#stale[@]} )); then
  echo "Screenshots older than the layouts: ${stale[*]}" >&2
  echo "Draw them again: cmake --build BUILD --target screenshots" >&2
  exit 1
fi
echo "$(ls "$dir"/shots/*.png | wc -l) screenshots match the layouts"
