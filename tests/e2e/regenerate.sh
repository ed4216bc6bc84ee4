#!/bin/sh
# Writes the .expected file of every scenario (or of the scenarios named) from
# what the runner prints now. Review the changes with `git diff tests/e2e`
# before committing them: an expected file is a claim about the wizard.
#   tests/e2e/regenerate.sh [BUILD_DIR] [NAME...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
[ $# -gt 0 ] && shift
runner="$build/tools/vk550-scenario/vk550-scenario"
[ -x "$runner" ] || { echo "no runner at $runner (build the target vk550-scenario)" >&2; exit 2; }
if [ $# -eq 0 ]; then
    set -- "$here"/scenarios/*.scn
else
    names=""
    for n in "$@"; do names="$names $here/scenarios/${n%.scn}.scn"; done
    # shellcheck disable=SC2086
    set -- $names
fi
for script in "$@"; do
    "$here/run-scenario.sh" "$runner" "$script" >"${script%.scn}.expected"
    echo "wrote ${script%.scn}.expected"
done
