#!/usr/bin/env bash
# The committed screenshots show the pages as the layouts draw them now: every
# committed picture is drawn again into a scratch folder and compared with it,
# the 100 % set in COMMITTED_FOLDER and the 200 % set in COMMITTED_FOLDER/200
# (a 2560x1440 screen at 200 %, where the designed window fits: double-size text).
# Every drawing is looked over (a text cut by its control or struck by a frame
# line fails it), also at 150 and 200 % on a 1280x800 screen, where the window
# shrinks to fit and only the look-over counts.
# Pages with live sound (a meter, a playing test) may differ in a few per cent
# of their pixels; the others only where font smoothing differs.
#   screenshots-test.sh COMMITTED_FOLDER PNG_COMPARE SCREENSHOTS INPUTS_QT_TEST VIEW_SHOTS VOICE.wav
set -euo pipefail
committed=${1:?folder}; compare=${2:?png_compare}; program=${3:?screenshots}
inputs=${4:?inputs_qt_test}; view=${5:?inputs_view_shots}; voice=${6:?voice}
screens=$(cd "$(dirname "$0")" && pwd)/screens
dir=$(mktemp -d /tmp/vk-shots-XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
export XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data HOME=$dir/home
export QUORVEL_WINDOWS_DIR=$dir/windows
mkdir -p "$dir/home"

# run COMMAND...: its output only when it fails.
run() {
  if ! "$@" >"$dir/log" 2>&1; then
    cat "$dir/log" >&2
    echo "Failed: $*" >&2
    exit 1
  fi
}
# draw FOLDER [SCREEN]: every picture into FOLDER, on the offscreen screen SCREEN
# (tests/program/screens/SCREEN.json) or the built-in one.
draw() {
  local out=$1 platform=offscreen
  [[ -n ${2:-} ]] && platform=offscreen:configfile=$screens/$2.json
  mkdir -p "$out"
  run env QT_QPA_PLATFORM="$platform" "$program" "$out"
  run env QT_QPA_PLATFORM="$platform" VK_SCREENSHOT_DIR="$out" "$inputs" --gtest_filter='*EveryUnitTypesPageShowsItsTextsWhole*'
  run env QT_QPA_PLATFORM="$platform" "$view" "$out" "$voice"
}
draw "$dir/shots"
draw "$dir/shots/200" 2560x1440-200
draw "$dir/shrunk-150" 1280x800-150
draw "$dir/shrunk-200" 1280x800-200

stale=()
for set in "" /200; do
  for shot in "$committed$set"/*.png; do
    name=${set#/}${set:+/}$(basename "$shot")
    case $(basename "$shot") in
      page5-playing.png|page8-recording.png|page8-playback.png) permille=30 ;;
      *) permille=2 ;;
    esac
    if [[ ! -f $dir/shots/$name ]]; then
      stale+=("$name (no program draws it)")
    elif ! why=$("$compare" "$shot" "$dir/shots/$name" "$permille"); then
      stale+=("$name ($why)")
    fi
  done
  for shot in "$dir/shots$set"/*.png; do
    name=${set#/}${set:+/}$(basename "$shot")
    [[ -f $committed/$name ]] || stale+=("$name (not committed)")
  done
done
if (( ${#stale[@]} )); then
  printf 'Screenshot older than the layouts: %s\n' "${stale[@]}" >&2
  echo "Draw them again: cmake --build BUILD --target screenshots" >&2
  exit 1
fi
echo "$(ls "$committed"/*.png "$committed"/200/*.png | wc -l) screenshots match the layouts"
