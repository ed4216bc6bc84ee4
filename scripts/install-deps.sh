#!/usr/bin/env bash
# Installs the Debian 12 packages a task needs; quick when all are present.
#
#   scripts/install-deps.sh run    building and running the wizard (./run.sh)
#   scripts/install-deps.sh test   that, plus the test tools and both test sound servers (./test.sh)
#
# Without root and without sudo it says what is missing and prints the one
# apt-get command to run as root. A held package-manager lock (a first-boot
# updater, another install) is waited for, up to VK_APT_LOCK_WAIT seconds (300).
# The test sound servers run privately in the tests: a server this script
# installs next to the one the machine already uses does not stay enabled for
# the users' sessions.
set -euo pipefail

task=${1:-test}

# fonts-dejavu-extra holds the bold oblique face the signal view titles with;
# without it the renderer slants the upright letters and they look (and
# measure) different.
run_packages=(
  g++ cmake ninja-build pkg-config
  libhidapi-dev libudev-dev libpulse-dev libtomlplusplus-dev libcli11-dev
  qt6-base-dev fonts-dejavu-core fonts-dejavu-extra fontconfig
  file dpkg-dev
)
test_packages=(
  clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
  umockdev libumockdev-dev
  pulseaudio-utils sox libsndfile1-dev python3
  desktop-file-utils appstream lintian
  dbus-daemon
  xvfb python3-pyatspi openbox  # the accessibility road test: a private X server, a screen reader's library, a window manager
  locales
  ccache
)
# The two servers the audio tests run against, each as a private test server.
pulseaudio_packages=(pulseaudio)
pipewire_packages=(pipewire pipewire-pulse wireplumber)

installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]; }

case $task in
run) wanted=("${run_packages[@]}"); caller=./run.sh ;;
test) caller=./test.sh; wanted=("${run_packages[@]}" "${test_packages[@]}" "${pulseaudio_packages[@]}" "${pipewire_packages[@]}") ;;
*) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

# Some tests run the program in a decimal-comma locale, which Debian does not
# generate by default; generating it needs root. Done once, quick afterwards.
test_locale=de_DE.UTF-8
make_test_locale() {
  [[ $task == test ]] || return 0
  locale -a 2>/dev/null | grep -ix 'de_DE\.utf-\?8' >/dev/null && return 0
  installed locales || return 0
  local as_root=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "The tests' locale $test_locale is missing (those tests skip). As root:" >&2
      echo "  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)\$/\1/' /etc/locale.gen && locale-gen" >&2
      return 0
    fi
    as_root=(sudo)
  fi
  echo "Generating the locale $test_locale for the tests"
  if grep -q '^# *de_DE\.UTF-8 UTF-8$' /etc/locale.gen 2>/dev/null; then
    "${as_root[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  elif ! grep -q '^de_DE\.UTF-8 UTF-8$' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${as_root[@]}" locale-gen
}

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  make_test_locale
  exit 0
fi

command_line="apt-get install -y --no-install-recommends ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "This user cannot install them (no sudo). Run this as root, then $caller again:" >&2
    echo "  apt-get update && $command_line" >&2
    exit 1
  fi
fi

# Which sound server the machine had before: the other one, if this run installs
# it, must not start for the users at their next login.
had_pipewire=false had_pulseaudio=false
installed pipewire-pulse && had_pipewire=true
installed pulseaudio && had_pulseaudio=true

# Runs an apt-get command; while another program holds the package manager's
# lock it says so and tries again, for at most VK_APT_LOCK_WAIT seconds.
apt_waiting() {
  local limit=${VK_APT_LOCK_WAIT:-300} waited=0 log
  log=$(mktemp)
  while true; do
    if "${sudo[@]}" "$@" 2> >(tee "$log" >&2); then
      rm -f "$log"; return 0
    fi
    if ! grep -qE "Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock" "$log"; then
      rm -f "$log"; return 1
    fi
    if (( waited >= limit )); then
      echo "The package manager stayed busy for ${limit} s (another install or an updater); try again later." >&2
      rm -f "$log"; return 1
    fi
    (( waited == 0 )) && echo "Another program is installing or updating packages: waiting for it (at most ${limit} s) ..." >&2
    sleep 5; waited=$((waited + 5))
  done
}

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt_waiting apt-get update -q || echo "apt-get update failed; trying the install with the package lists as they are" >&2
apt_waiting apt-get install -y -q --no-install-recommends "${missing[@]}"

# A second sound server stays out of the users' sessions (the tests start theirs privately).
disable_user_units() {
  command -v systemctl >/dev/null 2>&1 || return 0
  echo "Not starting $1 in user sessions (the machine uses another sound server; the tests start theirs privately)"
  "${sudo[@]}" systemctl --global disable "${@:2}" >/dev/null 2>&1 || true
}
if [[ $task == test ]]; then
  if $had_pipewire && ! $had_pulseaudio && installed pulseaudio; then
    disable_user_units PulseAudio pulseaudio.service pulseaudio.socket
  elif $had_pulseaudio && ! $had_pipewire && installed pipewire-pulse; then
    disable_user_units "PipeWire's pulse server" pipewire-pulse.service pipewire-pulse.socket wireplumber.service
  elif ! $had_pulseaudio && ! $had_pipewire; then
    # A machine without a sound server (a build machine): keep PipeWire, Debian's default.
    disable_user_units PulseAudio pulseaudio.service pulseaudio.socket
  fi
fi

make_test_locale
