#!/usr/bin/env bash
# Keeps the layers of src/ apart: a file may include its own folder and the folders below it,
# never one above it or beside it, and the core includes nothing of Qt beyond Qt Core (its
# library links no more, but Qt's headers all lie on one path). With --graph, prints how often
# each folder includes another.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(core controls ui "tools viewers" mainwindow app)
declare -A rank
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

edges=$(grep -rHo '^#include "[A-Za-z]*/' --include='*.cpp' --include='*.h' . |
    sed -E 's#^\./([^/]+)/[^:]*:\#include "([^/]+)/$#\1 \2#' | sort)
if [ "${1:-}" = --graph ]; then
    awk '$1 != $2 { print $1 " -> " $2 }' <<<"$edges" | uniq -c
    exit 0
fi

bad=0
while read -r from to; do
    [ "$from" = "$to" ] && continue
    if [ -z "${rank[$from]:-}" ] || [ -z "${rank[$to]:-}" ]; then
        echo "src/$from includes $to/: a folder the layers do not name" >&2
        bad=1
    elif [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
        grep -rln "^#include \"$to/" "$from" | sed "s#^#src/#; s#\$# includes $to/, a layer not below $from/#" >&2
        bad=1
    fi
done < <(uniq <<<"$edges")

qtcore="$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)/QtCore"
while IFS=: read -r file header; do
    name=${header#*<}
    name=${name%>}
    name=${name#QtCore/}
    if [ ! -e "$qtcore/$name" ]; then
        echo "src/${file#./} includes <${header#*<}, which is not part of Qt Core" >&2
        bad=1
    fi
done < <(grep -rHo '^#include <Q[A-Za-z/]*>' core || true)
exit $bad
