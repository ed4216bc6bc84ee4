#!/usr/bin/env bash
# The bash completion, as a shell runs it: the installed script asking the
# programs themselves.
#   - Typed lines complete as a technician expects.
#   - At every level of every program (the program, each subcommand), the options
#     and subcommands the completion offers are exactly those the level's --help
#     lists, and the man page names each of them: the completion, the usage texts
#     and the man pages cannot drift from the command line the program parses.
#
#   completion-test.sh COMPLETION MAN_DIR PROGRAM...
set -u
completion=${1:?completion script}
man_dir=${2:?man page folder}
shift 2
# shellcheck source=/dev/null
source "$completion"

fails=0
fail() {
    echo "FAIL: $*" >&2
    fails=$((fails + 1))
}

declare -A path_of
for program in "$@"; do
    path_of[$(basename "$program")]=$program
done

# What bash offers for LINE typed after PROGRAM (a trailing blank starts a new
# word), sorted, on one line. The line is split as bash splits it, at blanks
# and around '='.
offered() {
    local program=$1 line=$2 token
    local -a words=("${path_of[$program]}")
    for token in $line; do
        while [[ $token == *=* ]]; do
            [[ -n ${token%%=*} ]] && words+=("${token%%=*}")
            words+=("=")
            token=${token#*=}
        done
        [[ -n $token ]] && words+=("$token")
    done
    [[ -z $line || $line == *" " ]] && words+=("")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _quorvel_dravena 2>/dev/null
    if ((${#COMPREPLY[@]})); then printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '; else echo; fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/rooms"
touch "$scratch/room.toml" "$scratch/sound.wav"
cd "$scratch" || exit 2

# PROGRAM | typed | offered
while IFS='|' read -r program line expected; do
    [[ -z $program || $program == \#* || -z ${path_of[$program]:-} ]] && continue
    actual=$(offered "$program" "$line")
    [[ $actual == "$expected" ]] || fail "$program $line<TAB>: offered '$actual', expected '$expected'"
done <<'TABLE'
vk550ctl||config echo list report sound
vk550ctl|config ap|apply
vk550ctl|config apply --d|--dry-run
vk550ctl|config apply ro|room.toml rooms
vk550ctl|config apply --record-dir=ro|rooms
vk550ctl|config apply --record-dir ro|rooms
vk550ctl|config show --format=|json text toml
vk550ctl|config show --format=t|text toml
vk550ctl|config show --format |json text toml
vk550ctl|--simulate=|master master+slave new slave stand-alone
vk550ctl|--simulate=ma|master master+slave
vk550ctl|--simulate=master config sa|save
vk550ctl|echo s|sound.wav
vk550ctl|list |--help
quorvel-hid-viewer|--c|--count=
quorvel-hid-viewer|--count |
vk550-scenario|--units=s|slave stand-alone
vk550-scenario|--stack |real sim
vk550-scenario|--config-dir=ro|rooms
vk550-scenario|ro|room.toml rooms
quorvel-vk550-config|--s|--simulate --simulate=
quorvel-vk550-config|--simulate=sl|slave
TABLE

# The long options a --help text lists under "options:", and the subcommands
# under "commands:" or "actions:", one a line.
help_section() {
    awk -v want="$1:" '
        /^[a-z ]+:$/ { section = $0; next }
        /^$/ { section = "" }
        section == want && /^  [^ ]/ { print }'
}
help_options() {
    help_section options | sed 's/^  //; s/  .*//' | grep -o -- '--[a-z][a-z-]*' | grep -vx -- --help | sort -u
}
help_subcommands() {
    local help
    help=$(cat)
    { help_section commands <<<"$help"; help_section actions <<<"$help"; } | awk '{ print $1 }' | sort -u
}
# The program's own answers for a new word and for "-" after WORDS.
answered_options() {
    "$@" - | sed 's/=$//' | grep -vx -- --help | sort -u
}
answered_subcommands() {
    "$@" "" | grep -v '^[-@]' | sort -u
}

# Checks one level (PROGRAM WORDS...), then each of its subcommands.
check_level() {
    local program=$1
    shift
    local where="$program${*:+ $*}" help name
    local -a ask=("${path_of[$program]}" __complete "$@")
    help=$("${path_of[$program]}" "$@" --help) || fail "$where --help did not exit 0"
    local listed_options listed_subcommands options subcommands
    listed_options=$(help_options <<<"$help")
    listed_subcommands=$(help_subcommands <<<"$help")
    options=$(answered_options "${ask[@]}")
    subcommands=$(answered_subcommands "${ask[@]}")
    [[ $listed_options == "$options" ]] ||
        fail "$where: --help lists options [$(echo $listed_options)], the completion offers [$(echo $options)]"
    [[ $listed_subcommands == "$subcommands" ]] ||
        fail "$where: --help lists [$(echo $listed_subcommands)], the completion offers [$(echo $subcommands)]"
    local page=$man_dir/$program.1
    for name in $options --help $subcommands; do
        grep -qF -- "${name//-/\\-}" "$page" || fail "$where: the man page $page does not name $name"
    done
    for name in $subcommands; do
        check_level "$program" "$@" "$name"
    done
}

for program in "${!path_of[@]}"; do
    check_level "$program"
done

((fails == 0)) || { echo "$fails failure(s)" >&2; exit 1; }
echo "completion: every level of $# programs agrees with its --help and its man page"
