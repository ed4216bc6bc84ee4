#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite with ctest.
#
#   ./test.sh            the normal build (build/), warnings as errors
#   ./test.sh --asan     the suite under AddressSanitizer + UBSan (build-asan/)
#   ./test.sh --tsan     the threaded tests under ThreadSanitizer (build-tsan/)
#   ./test.sh --all      all three (what CI runs); each next build compiles while
#                        the tests of the one before run
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

# Each build's tree and configuration. Every build has line-table debug
# information only: enough for backtraces and sanitizer reports, a third cheaper.
suite_dir() {
  case "$1" in normal) echo build ;; asan) echo build-asan ;; tsan) echo build-tsan ;; esac
}
# The sanitizers' options, for the tests and for what the build runs.
sanitizer_env() {
  case "$1" in
    asan) export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ;;
    tsan) export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ;;
  esac
}
build_suite() (
  local mode=$1 dir
  dir=$(suite_dir "$mode")
  sanitizer_env "$mode"
  local args=(-DVK_WERROR=ON -DVK_LINE_DEBUG_INFO=ON)
  case "$mode" in
    normal) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    asan) args+=(-DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=address -DVK_BUILD_BENCH=OFF) ;;
    tsan) args+=(-DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=thread -DVK_BUILD_BENCH=OFF -DVK_BUILD_GUI=OFF) ;;
  esac
  cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null && cmake --build "$dir" -j "$jobs"
)
test_suite() {
  local mode=$1 dir status=0
  dir=$(suite_dir "$mode")
  (
    sanitizer_env "$mode"
    test_home "$PWD/$dir/test-home" && cd "$dir" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]}"
  ) || status=$?
  check_test_home "$dir/test-home" || status=1
  return $status
}

# The builds run one after the other, and each next build runs (at the lowest
# priority, so the tests keep their processor time) while the tests of the one
# before it run: most tests wait on clocks and sound servers and leave the
# processors idle. Its output follows when it is done; it is stopped with the
# script.
failed=()
next_build=""
trap '[[ -z $next_build ]] || kill -- -"$next_build" 2>/dev/null || true' EXIT
for i in "${!modes[@]}"; do
  mode=${modes[$i]}
  echo "=== build: $mode ==="
  if [[ -z $next_build ]]; then
    build_suite "$mode" || { failed+=("$mode build"); break; }
  else
    build_status=0
    wait "$next_build" || build_status=$?
    next_build=""
    cat "$next_log" && rm -f "$next_log"
    [[ $build_status -eq 0 ]] || { failed+=("$mode build"); break; }
  fi
  if [[ $((i + 1)) -lt ${#modes[@]} ]]; then
    next_log=$(mktemp)
    setsid -w nice -n 19 bash -c "$(declare -f suite_dir sanitizer_env build_suite); jobs=$jobs; build_suite ${modes[$((i + 1))]}" \
      >"$next_log" 2>&1 &
    next_build=$!
  fi
  echo "=== test suite: $mode ==="
  test_suite "$mode" || failed+=("$mode tests")
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "=== failed: ${failed[*]} ===" >&2
  exit 1
fi
