#!/usr/bin/env bash
# Checks that the folders include each other one way only, from every
# #include line of the program's sources, "..." and <...> alike. With --graph
# it also prints every folder edge with the number of lines behind it.
#
# A folder may include itself and the folders below it in this order
# (lowest first); the install menu is a program of its own and includes
# nothing of Dorvi's, nor does Dorvi include it.
#
# An include is placed where the compiler finds it: "..." beside the file,
# then from the top of the tree; <...> from the top of the tree. One that
# cannot be placed in a folder of ours fails the check, so that no spelling
# escapes it; only <...> headers outside the tree (the system's, Qt's) and a
# bare "name.h" found nowhere in the tree (a generated one) are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

order=(common records/core meter/core platform graphs records meter)
folders=("${order[@]}" installmenu)
declare -A rankOf
for i in "${!order[@]}"; do
    rankOf[${order[$i]}]=$i
done

graph=false
case "${1:-}" in
--graph) graph=true ;;
"") ;;
*)
    echo "usage: $0 [--graph]" >&2
    exit 2
    ;;
esac

# These set a variable rather than print, so that the loop over ~1000
# include lines forks nothing.

# Sets folder to the folder of a path from the top of the tree, empty when it
# lies in none of ours. installmenu/sample and the like belong to their
# folder; meter/core comes before meter in the list, so it wins.
placeFolder() {
    local dir=${1%/*} f
    [[ $1 == */* ]] || dir=.
    folder=
    for f in "${folders[@]}"; do
        [[ $dir == "$f" ]] && folder=$f && return 0
    done
    for f in "${folders[@]}"; do
        [[ $dir == "$f"/* ]] && folder=$f && return 0
    done
    return 0
}

# Sets path to $1 with its "." and ".." steps taken; a path that leaves the
# tree starts with ".." or "/".
normalize() {
    local part p=$1
    local -a parts out=()
    [[ $p == "$top"/* ]] && p=${p#"$top"/}
    if [[ $p == /* ]]; then
        path=$p
        return 0
    fi
    IFS=/ read -ra parts <<<"$p"
    for part in "${parts[@]}"; do
        case $part in
        "" | .) ;;
        ..)
            if ((${#out[@]})) && [[ ${out[-1]} != .. ]]; then
                unset 'out[-1]'
            else
                out+=(..)
            fi
            ;;
        *) out+=("$part") ;;
        esac
    done
    local IFS=/
    path="${out[*]}"
}

# Tracked files and new ones not yet added: the build globs both.
sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard -- "${folders[@]/%//}" |
            grep -E '\.(h|cpp)$' | sort -u || true
    else
        find "${folders[@]}" \( -name '*.h' -o -name '*.cpp' \) -print | sort -u
    fi
}

quoted='^[[:space:]]*#[[:space:]]*include(_next)?[[:space:]]*"([^"]*)"'
angled='^[[:space:]]*#[[:space:]]*include(_next)?[[:space:]]*<([^>]*)>'

files=()
while IFS= read -r file; do
    [ -f "$file" ] && files+=("$file")
done < <(sources)

# file:line:text of every include line.
includeLines() {
    ((${#files[@]})) || return 0
    grep -HnE '^[[:space:]]*#[[:space:]]*include' -- "${files[@]}" || true
}

edges=()
problems=()
while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    num=${rest%%:*}
    line=${rest#*:}
    at="$file:$num"
    placeFolder "$file"
    from=$folder
    dir=${file%/*}
    if [[ $line =~ $quoted ]]; then
        name=${BASH_REMATCH[2]}
        shown="\"$name\""
        if [[ -f $dir/$name ]]; then
            normalize "$dir/$name"
        elif [[ -f $name ]]; then
            normalize "$name"
        elif [[ $name != */* ]]; then
            continue
        else
            normalize "$name"
        fi
    elif [[ $line =~ $angled ]]; then
        name=${BASH_REMATCH[2]}
        shown="<$name>"
        normalize "$name"
    else
        problems+=("$at: cannot place '$line': it names no \"...\" or <...> path")
        continue
    fi
    placeFolder "$path"
    to=$folder
    if [ -z "$to" ]; then
        # A <...> header that is no file of the tree is the system's.
        if [[ $shown == \"* || ($path != ..* && $path != /* && -f $path) ]]; then
            problems+=("$at: cannot place $shown: it is in none of the folders ${folders[*]}")
        fi
        continue
    fi
    if [[ $path == meter/panel.h && $from != meter ]]; then
        problems+=("$at: includes meter/panel.h outside meter/: $shown")
    fi
    [[ $from == "$to" ]] && continue
    edges+=("$from -> $to")
    if [[ $from == platform && ($to == meter* || $to == records*) ]]; then
        problems+=("$at: platform includes $shown")
    elif [[ $from == installmenu || $to == installmenu ]]; then
        problems+=("$at: $from includes $shown")
    elif ((${rankOf[$to]} > ${rankOf[$from]})); then
        problems+=("$at: $from includes $shown ($to), above it")
    fi
done < <(includeLines)

if $graph; then
    ((${#edges[@]})) && printf '%s\n' "${edges[@]}" | sort | uniq -c | sort -k2,2 -k4,4 |
        awk '{ printf "%-14s -> %-14s %4d\n", $2, $4, $1 }'
fi

if ((${#problems[@]})); then
    printf '%s\n' "${problems[@]}" >&2
    echo "The folders include each other against the order: ${order[*]} (lowest first)," \
        "or an include names a header the check cannot place." >&2
    exit 1
fi
