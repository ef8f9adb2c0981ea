#!/usr/bin/env bash
# The tool's command and option tables, as its --help shows them, against
# the three lists written by hand, both ways: the bash completion offers
# exactly the commands and, after each, exactly that command's options and
# the global ones; the man page and the README's section on the tool name
# every command and every option, and no command or option the tool lacks.
#   check_completion.sh SOURCE_DIR VX500CTL
set -u
root=$1 tool=$2
source "$root/packaging/vx500ctl.bash-completion"
# What bash-completion's helper would set, from COMP_WORDS and COMP_CWORD.
_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${words[cword]}; prev=${words[cword-1]}; }
_filedir() { COMPREPLY=(FILE); }
complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _vx500ctl; printf '%s\n' "${COMPREPLY[@]}" | sort -u; }
status=0
fail() { echo "check_completion: $*" >&2; status=1; }

# The option names in the first column of a help's "Options:" section
# (Qt's own --help-all aside).
option_names() { sed -n '/^Options:/,/^$/p' | grep -E '^  -' | sed -E 's/^  //; s/  .*//' | grep -oE -- '--?[a-z?][a-z-]*' |
                 grep -vx -- '--help-all' | sort -u; }
# The commands, one or two words, from the "Commands:" section: a synopsis
# takes up to 24 columns after the indent, a longer one a line of its own.
mapfile -t commands < <("$tool" --help | sed -n '/^Commands:/,/^$/p' | grep -E '^  [a-z]' |
                        awk '{split(substr($0, 3, 24), w, " "); print (w[2] ~ /^[a-z]+$/) ? w[1] " " w[2] : w[1]}')
[[ ${#commands[@]} -gt 10 ]] || fail "the tool's help lists only ${#commands[@]} commands"
all_options=$("$tool" --help | option_names)
declare -A own
for c in "${commands[@]}"; do own[$c]=$("$tool" $c --help | option_names); done
command_options=$(printf '%s\n' "${own[@]}" | sort -u)
# Offered after every command: the long names of the options no command owns.
global_options=$(comm -23 <(echo "$all_options") <(echo "$command_options") | grep -- '^--')

# What a reader finds: the man page without its font escapes, the README's section.
man=$(sed -e 's/\\f[BIRP]//g; s/\\-/-/g; s/"//g' "$root/packaging/man/vx500ctl.1")
man_commands=$(sed -n '/^\.SH COMMANDS/,/^\.SH OPTIONS/p' <<<"$man")
readme=$(sed -n '/^## Command-line tool/,/^## [^#]/p' "$root/README.md")

for c in "${commands[@]}"; do
    first=${c%% *}
    if [[ $c == *" "* ]]; then
        complete_line vx500ctl "$first" "" | grep -qx -- "${c#* }" || fail "'$c' is not offered after '$first'"
    fi
    complete_line vx500ctl "" | grep -qx -- "$first" || fail "'$first' is not offered as a command"
    wanted=$(printf '%s\n' "$global_options" "${own[$c]}" | grep . | sort -u)
    offered=$(complete_line vx500ctl $c "-")
    [[ $offered == "$wanted" ]] || fail "after '$c' the completion offers:" $offered "; the tool takes:" $wanted
    grep -qE -- "(^|[^a-z-])$c([^a-z-]|$)" <<<"$man_commands" || fail "the man page's COMMANDS lack '$c'"
    grep -qF -- "\`$c" <<<"$readme" || fail "README's command-line section lacks '$c'"
done
# Nothing more: the commands and options the three name are the tool's.
firsts=$(printf '%s\n' "${commands[@]}" | sed 's/ .*//' | sort -u)
[[ $(complete_line vx500ctl "") == "$firsts" ]] || fail "the completion offers as commands:" $(complete_line vx500ctl "") "; the tool has:" $firsts
for group in $(printf '%s\n' "${commands[@]}" | grep ' ' | sed 's/ .*//' | sort -u); do
    subs=$(printf '%s\n' "${commands[@]}" | sed -n "s/^$group //p" | sort -u)
    [[ $(complete_line vx500ctl "$group" "") == "$subs" ]] || fail "after '$group' the completion offers:" $(complete_line vx500ctl "$group" "") "; the tool has:" $subs
done
known=$(printf '%s\n' "${commands[@]}" | sort -u)
# A name as a reader meets it: its first word, and the second after a group.
command_of() { read -r a b _ <<<"$1"; if grep -qxF -- "$a $b" <<<"$known"; then echo "$a $b"; else echo "$a"; fi; }
# The man page: the bold names after each .TP of COMMANDS (every other
# argument of .BR and .BI, the whole of .B).
man_named=$(sed -n '/^\.SH COMMANDS/,/^\.SH OPTIONS/p' "$root/packaging/man/vx500ctl.1" | grep -A1 '^\.TP' |
            grep -E '^\.B[IR]? ' | sed -e 's/\\f[BIRP]//g; s/\\-/-/g' | while read -r macro rest; do
                i=0; while IFS= read -r word; do
                    [[ $macro == .B || $((i++ % 2)) -eq 0 ]] && command_of "$word"
                done < <(if [[ $macro == .B ]]; then echo "$rest"; else xargs -n1 <<<"$rest"; fi)
            done | sort -u)
[[ $man_named == "$known" ]] || fail "the man page's COMMANDS name:" $man_named "; the tool has:" $known
readme_named=$(sed -n '/^- \*\*Commands:\*\*/,/^- \*\*/p' <<<"$readme" | sed '$d' | grep -oE '`[^`]+`' | tr -d '`' |
               while IFS= read -r item; do command_of "$item"; done | sort -u)
[[ $readme_named == "$known" ]] || fail "README's Commands name:" $readme_named "; the tool has:" $known
for named in "man page:$man" "README:$readme"; do
    for o in $(grep -oE -- '(^|[^a-zA-Z0-9-])--[a-z][a-z-]*' <<<"${named#*:}" | grep -oE -- '--[a-z-]+' | sort -u); do
        grep -qxF -- "$o" <<<"$all_options"$'\n--help-all' || fail "the ${named%%:*} names $o, which the tool does not take"
    done
done
for o in $all_options; do
    grep -qE -- "(^|[^a-z-])$o([^a-z-]|$)" <<<"$man" || fail "the man page lacks $o"
    [[ $o == -? ]] || grep -qE -- "$o([^a-z-]|$)" <<<"$readme" || fail "README's command-line section lacks $o"
done
exit $status
