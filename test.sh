#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite with ctest.
#
#   ./test.sh            the normal build (build/), warnings as errors
#   ./test.sh --asan     the suite under AddressSanitizer + UBSan (build-asan/)
#   ./test.sh --tsan     the threaded tests under ThreadSanitizer (build-tsan/)
#   ./test.sh --all      all three, one after the other (what CI runs)
# Extra arguments after -- go to ctest (e.g. ./test.sh -- -R Transact).
set -euo pipefail
cd "$(dirname "$0")"

modes=()
ctest_args=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --asan) modes+=(asan) ;;
    --tsan) modes+=(tsan) ;;
    --all) modes+=(normal asan tsan) ;;
    --) shift; ctest_args=("$@"); break ;;
    *) echo "usage: $0 [--asan|--tsan|--all] [-- ctest args]" >&2; exit 2 ;;
  esac
  shift
done
[[ ${#modes[@]} -gt 0 ]] || modes=(normal)

scripts/install-deps.sh test

jobs=$(nproc)

# Three builds of the same sources: the compiler cache keeps what an earlier run
# (of this or another clone: paths are taken from the clone's root) compiled.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

# The tests run with a home and XDG folders of their own, never the user's; a
# test that writes the program's settings, recordings or window sockets into
# whatever home it was given (instead of its own private folder) fails the run.
test_home() {
  local home=$1
  rm -rf "$home" && mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/.local/state" "$home/run"
  chmod 700 "$home/run"
  export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_CACHE_HOME=$home/.cache XDG_STATE_HOME=$home/.local/state XDG_RUNTIME_DIR=$home/run
}
check_test_home() {
  local left
  left=$(find "$1" \( -iname '*selvo*' -o -iname '*quorvel*' -o -iname '*.wav' -o -iname '*.reg' \) -print)
  if [[ -n $left ]]; then
    echo "A test wrote into the home it was given instead of a private folder:" >&2
    echo "$left" >&2
    return 1
  fi
}

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DVK_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  local status=0
  (test_home "$PWD/$dir/test-home" && cd "$dir" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]}") || status=$?
  check_test_home "$dir/test-home" || status=1
  return $status
}

for mode in "${modes[@]}"; do
  echo "=== test suite: $mode ==="
  case "$mode" in
    normal) run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    asan) ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=address -DVK_BUILD_BENCH=OFF ;;
    tsan) TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
            run_suite build-tsan -DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=thread -DVK_BUILD_BENCH=OFF -DVK_BUILD_GUI=OFF ;;
  esac
done
