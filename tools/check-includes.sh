#!/usr/bin/env bash
# Checks that the folders include each other one way only, from the
# #include "..." lines of the program's sources. With --graph it also prints
# every folder edge with the number of lines behind it.
#
# A folder may include itself and the folders below it in this order
# (lowest first); the install menu is a program of its own and includes
# nothing of Dorvi's, nor does Dorvi include it.
set -euo pipefail
cd "$(dirname "$0")/.."

order=(common records/core meter/core platform graphs records meter)
folders=("${order[@]}" installmenu)

graph=false
case "${1:-}" in
--graph) graph=true ;;
"") ;;
*)
    echo "usage: $0 [--graph]" >&2
    exit 2
    ;;
esac

# The folder of a path: its directory, when that is one of ours.
folderOf() {
    local dir=${1%/*}
    [[ $1 == */* ]] || dir=.
    for f in "${folders[@]}"; do
        [[ $dir == "$f" ]] && {
            echo "$f"
            return
        }
    done
    # installmenu/sample and the like belong to their folder.
    for f in "${folders[@]}"; do
        [[ $dir == "$f"/* ]] && {
            echo "$f"
            return
        }
    done
}

rank() {
    local i
    for i in "${!order[@]}"; do
        [[ ${order[$i]} == "$1" ]] && {
            echo "$i"
            return
        }
    done
    echo -1
}

sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- "${folders[@]/%//}" | grep -E '\.(h|cpp)$' || true
    else
        find "${folders[@]}" \( -name '*.h' -o -name '*.cpp' \) -print | sort -u
    fi
}

edges=()
problems=()
while IFS= read -r file; do
    from=$(folderOf "$file")
    [ -n "$from" ] || continue
    while IFS= read -r line; do
        [ -n "$line" ] || continue
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$line")
        # A bare name is a header beside the file.
        [[ $target == */* ]] || continue
        to=$(folderOf "$target")
        [ -n "$to" ] || continue
        if [[ $target == meter/panel.h && $from != meter ]]; then
            problems+=("$file: includes meter/panel.h outside meter/")
        fi
        [[ $from == "$to" ]] && continue
        edges+=("$from -> $to")
        if [[ $from == platform && ($to == meter* || $to == records*) ]]; then
            problems+=("$file: platform includes $target")
        elif [[ $from == installmenu || $to == installmenu ]]; then
            problems+=("$file: $from includes $target")
        elif (($(rank "$to") > $(rank "$from"))); then
            problems+=("$file: $from includes $target, above it")
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(sources)

if $graph; then
    ((${#edges[@]})) && printf '%s\n' "${edges[@]}" | sort | uniq -c | sort -k2,2 -k4,4 |
        awk '{ printf "%-14s -> %-14s %4d\n", $2, $4, $1 }'
fi

if ((${#problems[@]})); then
    printf '%s\n' "${problems[@]}" >&2
    echo "The folders include each other against the order: ${order[*]} (lowest first)." >&2
    exit 1
fi
