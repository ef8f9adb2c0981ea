#!/usr/bin/env bash
# The bash completion against the tool it completes: every command the tool's
# help lists is offered, and after a command only that command's options.
#   check_completion.sh COMPLETION VX500CTL
set -u
source "$1"
# What bash-completion's helper would set, from COMP_WORDS and COMP_CWORD.
_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${words[cword]}; prev=${words[cword-1]}; }
complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _vx500ctl; echo " ${COMPREPLY[*]} "; }
status=0
fail() { echo "completion: $*" >&2; status=1; }

offered=$(complete_line vx500ctl "")
for command in $("$2" --help | sed -n '/^Commands:/,/^$/p' | grep -E '^  [a-z]' | awk '{print $1}' | sort -u); do
    [[ $offered == *" $command "* ]] || fail "command '$command' is not offered"
done
for case in "watch:--interval:--yes --map --from --json" "download:--clear --json:--interval --yes" \
            "history:--since --json:--clear" "scan:--from --to:--clear"; do
    IFS=: read -r command wanted unwanted <<<"$case"
    options=$(complete_line vx500ctl "$command" "-")
    for o in $wanted; do [[ $options == *" $o "* ]] || fail "$command: $o not offered"; done
    for o in $unwanted; do [[ $options != *" $o "* ]] || fail "$command: $o offered"; done
done
exit $status
