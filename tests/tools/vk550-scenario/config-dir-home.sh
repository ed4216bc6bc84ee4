#!/bin/sh
# Nothing of a scenario run is written under the home folder: with HOME a fresh
# empty folder and no XDG variables, a run that records, plays back and saves
# (a relative --config-dir, then the private temporary folder) leaves HOME empty.
# The relative folder lies below the working directory and holds the settings
# and the recording.
#   config-dir-home.sh RUNNER SCRIPT
set -u
runner=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
mkdir "$top/work"
fail=0
check_home() {
    if [ -n "$(ls -A "$top/home")" ]; then
        echo "FAIL ($1): written under HOME:"
        find "$top/home" | sed "s|$top/home|HOME|"
        fail=1
    fi
}
run() {
    rm -rf "$top/home" && mkdir "$top/home"
    (cd "$top/work" && env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME \
        -u XDG_RUNTIME_DIR -u QUORVEL_WINDOWS_DIR HOME="$top/home" "$runner" --units=stand-alone "$@" "$script") \
        >"$top/out" 2>&1
}

run --config-dir=relative/dir
code=$?
[ "$code" -eq 0 ] || { echo "FAIL: exit $code"; cat "$top/out"; fail=1; }
check_home "--config-dir=relative/dir"
for kept in registry.reg "data/Selvo/Quorvel Dravena Config/WaveFiles/MicRecorded.wav"; do
    [ -f "$top/work/relative/dir/$kept" ] || { echo "FAIL: relative/dir/$kept missing"; fail=1; }
done

run
check_home "no --config-dir"
[ "$fail" -eq 0 ] && echo "HOME stays empty"
exit "$fail"
