#!/usr/bin/env bash
# Checks an installed or packaged tree of the programs.
#
#   package-test.sh unpack DEB DIR     unpacks the package into DIR (a scratch folder)
#   package-test.sh programs ROOT      runs every program in ROOT/bin with --version and
#                                      checks the data and desktop files around them
set -euo pipefail
cmd=${1:?command}

fail() { echo "FAIL: $*" >&2; exit 1; }

case $cmd in
unpack)
  deb=${2:?package}; dir=${3:?folder}
  rm -rf "$dir"; mkdir -p "$dir"
  dpkg-deb -x "$deb" "$dir"
  ;;
programs)
  root=${2:?root}
  shopt -s nullglob
  programs=("$root"/bin/*)
  (( ${#programs[@]} >= 3 )) || fail "expected the programs in $root/bin, found: ${programs[*]:-none}"
  for p in "${programs[@]}"; do
    name=$(basename "$p")
    out=$(env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$p" --version) || fail "$name --version exited $?"
    [[ $out =~ ^$name\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ ]] || fail "$name --version printed: $out"
    if env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$p" --no-such-option >/dev/null 2>&1; then
      fail "$name accepted an unknown option"
    else
      rc=$?; [[ $rc == 2 ]] || fail "$name --no-such-option exited $rc, not 2"
    fi
    [[ -f $root/share/man/man1/$name.1.gz ]] || fail "no man page for $name"
    [[ -f $root/share/bash-completion/completions/$name ]] || fail "no bash completion for $name"
    echo "${out%%$'\n'*}"  # the first line (head would end the pipe early under pipefail)
  done
  data=$root/share/quorvel-vk550-config
  for id in 128 129 130 132 138; do
    [[ -f $data/images/$id.png ]] || fail "missing $data/images/$id.png"
  done
  app=com.selvo.QuorvelDravenaConfig
  [[ -f $root/share/applications/$app.desktop ]] || fail "no desktop file"
  [[ -f $root/share/metainfo/$app.metainfo.xml ]] || fail "no metainfo"
  # The completion asks the installed program.
  completion=$root/share/bash-completion/completions/vk550ctl
  bash -c "source '$completion'; COMP_WORDS=('$root/bin/vk550ctl' config ap); COMP_CWORD=2; _quorvel_dravena; [[ \${COMPREPLY[*]} == apply ]]" ||
    fail "the bash completion does not complete 'config ap'"
  for size in 16 32 48 64 128 256; do
    [[ -f $root/share/icons/hicolor/${size}x$size/apps/$app.png ]] || fail "no ${size}px icon"
  done
  ;;
*) echo "usage: $0 unpack DEB DIR | programs ROOT" >&2; exit 2 ;;
esac
