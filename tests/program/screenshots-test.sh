#!/usr/bin/env bash
# The committed screenshots show the pages as the layouts draw them now: every
# committed picture is drawn again into a scratch folder and compared with it.
# Pages with live sound (a meter, a playing test) may differ in a few per cent
# of their pixels; the others only where font smoothing differs.
#   screenshots-test.sh COMMITTED_FOLDER PNG_COMPARE SCREENSHOTS INPUTS_QT_TEST VIEW_SHOTS VOICE.wav
set -euo pipefail
committed=${1:?folder}; compare=${2:?png_compare}; program=${3:?screenshots}
inputs=${4:?inputs_qt_test}; view=${5:?inputs_view_shots}; voice=${6:?voice}
dir=$(mktemp -d /tmp/vk-shots-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
export XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data HOME=$dir/home
export QUORVEL_WINDOWS_DIR=$dir/windows QT_QPA_PLATFORM=offscreen
mkdir -p "$dir/shots" "$dir/home"
"$program" "$dir/shots" >/dev/null
VK_SCREENSHOT_DIR=$dir/shots "$inputs" --gtest_filter='*EveryUnitTypesPageShowsItsTextsWhole*' >/dev/null
"$view" "$dir/shots" "$voice" >/dev/null

stale=()
for shot in "$committed"/*.png; do
  name=$(basename "$shot")
  case $name in
    page5-playing.png|page8-recording.png|page8-playback.png) permille=30 ;;
    *) permille=2 ;;
  esac
  if [[ ! -f $dir/shots/$name ]]; then
    stale+=("$name (no program draws it)")
  elif ! why=$("$compare" "$shot" "$dir/shots/$name" "$permille"); then
    stale+=("$name ($why)")
  fi
done
for shot in "$dir"/shots/*.png; do
  [[ -f $committed/$(basename "$shot") ]] || stale+=("$(basename "$shot") (not committed)")
done
if (( ${#stale[@]} )); then
  printf 'Screenshot older than the layouts: %s\n' "${stale[@]}" >&2
  echo "Draw them again: cmake --build BUILD --target screenshots" >&2
  exit 1
fi
echo "$(ls "$committed"/*.png | wc -l) screenshots match the layouts"
