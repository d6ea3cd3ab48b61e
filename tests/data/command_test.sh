#!/bin/sh
# One command as an administrator meets it, run with no display: --help and
# --version end with 0, a wrong option with 2 and the command's own usage, a window
# program with no display (none at all, or one that never answers) with 2 and the
# sentence that says so. Then its manual page: the options of its OPCIONES entries
# are those --help lists, and the statuses of ESTADO DE SALIDA those it can return.
# Usage: command_test.sh NAME PROGRAM MAN_PAGE VERSION "STATUSES" window|tool
set -eu
name=$1 program=$2 page=$3 version=$4 statuses=$5 kind=$6
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $name: $*" >&2
    exit 1
}
run() { # status out err, then the arguments
    code=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${display:+DISPLAY=$display} \
        timeout 10 "$program" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null || code=$?
}

display=
run --help
[ "$code" = 0 ] && head -n 1 "$tmp/out" | grep -q "^Uso: $name " || fail "--help: $code"
run --version
[ "$code" = 0 ] && [ "$(cat "$tmp/out")" = "$name $version" ] || fail "--version: $code"
run --no-existe
usages=$(grep -o '^Uso: [^ ]*' "$tmp/err" | sort -u)
[ "$code" = 2 ] && [ "$usages" = "Uso: $name" ] || fail "a wrong option: $code, $usages"
if [ "$kind" = window ]; then
    for display in "" :987; do
        run
        [ "$code" = 2 ] && grep -q 'necesita una sesión gráfica' "$tmp/err" ||
            fail "display '$display': $code"
    done
fi

# The tags of the .TP entries in one section of the page, '-' unescaped.
tags() { sed -n "/^\.SH $1\$/,/^\.SH /{/^\.TP\$/{n;p}}" "$page" | sed 's/\\-/-/g'; }
options() { grep -oE -- '(^|[^a-z-])--?[a-z][a-z-]*' | grep -oE -- '--?[a-z-]+' | sort -u; }
run --help
documented=$(tags OPCIONES | options)
listed=$(grep -E '^  -' "$tmp/out" | sed -E 's/^  //; s/  .*//' | options)
[ "$documented" = "$listed" ] ||
    fail "options of the page: $(echo $documented); of --help: $(echo $listed)"
documented=$(tags 'ESTADO DE SALIDA' | grep -oE '[0-9]+' | sort -n | tr '\n' ' ')
[ "$documented" = "$statuses " ] || fail "statuses of the page: $documented; returned: $statuses"
echo "$name: options, statuses and manual agree"
