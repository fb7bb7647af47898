#!/usr/bin/env bash
# check.sh files BUILD        install into a fresh prefix: exactly the expected files, no more
# check.sh deb BUILD [TAGS]   build the package: the same files under /usr, the run-time
#                             dependencies no link shows, and lintian quiet but for TAGS (a
#                             comma-separated list of the tags cmake/Packaging.cmake justifies)
set -euo pipefail
mode=$1 build=$(cd "$2" && pwd) accepted=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

expected() {
    printf '%s\n' bin/dexaro share/applications/org.dexaro.Dexaro.desktop \
        share/doc/dexaro/changelog.gz share/doc/dexaro/copyright share/man/man1/dexaro.1.gz \
        share/metainfo/org.dexaro.Dexaro.metainfo.xml \
        share/icons/hicolor/scalable/apps/org.dexaro.Dexaro.svg
    for size in 16 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x$size/apps/org.dexaro.Dexaro.png"
    done
}
same_files() { # $1: the listing found, one relative path a line
    if ! diff -u <(expected | sort) <(sort "$1"); then
        echo "FAIL: $2 does not hold exactly the expected files (- missing, + unexpected)" >&2
        exit 1
    fi
}

case $mode in
files)
    cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
    (cd "$tmp/prefix" && find . -type f -o -type l) | sed 's|^\./||' >"$tmp/found"
    same_files "$tmp/found" "the installed prefix"
    [ -x "$tmp/prefix/bin/dexaro" ] || { echo "FAIL: bin/dexaro is not executable" >&2; exit 1; }
    ;;
deb)
    cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" || { cat "$tmp/cpack.log"; exit 1; }
    debs=("$tmp"/dexaro_*.deb)
    deb=${debs[0]}
    [ -f "$deb" ] || { cat "$tmp/cpack.log"; echo "FAIL: no dexaro_*.deb" >&2; exit 1; }
    dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' >"$tmp/found"
    same_files "$tmp/found" "$(basename "$deb")"
    depends=$(dpkg-deb --field "$deb" Depends)
    echo "Depends: $depends"
    for p in fonts-wine fonts-urw-base35 fonts-dejavu-core qt6-image-formats-plugins libqt6gui6; do
        [[ ", $depends," == *", $p"[\ ,]* ]] || { echo "FAIL: Depends lacks $p" >&2; exit 1; }
    done
    [ "$(dpkg-deb --field "$deb" Section)" = utils ] || { echo "FAIL: section is not utils" >&2; exit 1; }
    if ! command -v lintian >/dev/null; then
        echo "lintian is not installed: the package is not linted"
    else
        args=(--display-info)
        [ -z "$accepted" ] || args+=(--suppress-tags "$accepted")
        lintian "${args[@]}" "$deb" >"$tmp/lintian" 2>"$tmp/lintian.err" || true
        if [ -s "$tmp/lintian" ]; then
            cat "$tmp/lintian" "$tmp/lintian.err"
            echo "FAIL: lintian tags that cmake/Packaging.cmake does not accept" >&2
            exit 1
        fi
    fi
    ;;
*) echo "usage: $0 files|deb BUILD [TAGS]" >&2; exit 2 ;;
esac
