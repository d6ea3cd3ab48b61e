#!/bin/sh
# The launcher that the install puts in bin/ twice, as Sonvira and as repetidores.
# It starts the program of its own name the way the Windows shortcut did: with the
# data folder ~/Quirzal as working folder, so that the bell program lists show the
# operator's programs; a service given its own data folder (--datos, a full path)
# starts there instead. Its arguments go to the program. On first use it makes the
# folder and copies the default bell program there; a timbres_1.txt that is already
# there, even a broken link, is the operator's and is never replaced.
set -eu

program=$(basename -- "$0")
case "$program" in
Sonvira | repetidores) ;;
*)
    echo "$program: este lanzador se instala como Sonvira o como repetidores" >&2
    exit 2
    ;;
esac

prefix=$(dirname -- "$(dirname -- "$(readlink -f -- "$0")")")
# Asking for the usage or the version touches no folder.
case "${1:-}" in
-h | --help | --version) exec "$prefix/libexec/sonvira/$program" "$@" ;;
esac
# The data folder is ~/Quirzal, or the one a service is given with --datos.
data=
previous=
for argument in "$@"; do
    [ "$previous" = --datos ] && data=$argument
    previous=$argument
done
[ -n "$data" ] || data="${HOME:?}/Quirzal"
default="$data/timbres_1.txt"

mkdir -p -- "$data"
if [ ! -e "$default" ] && [ ! -L "$default" ]; then
    # Copied under a temporary name and then linked in place: a full disk leaves
    # no half-written program, and a link never replaces a file that appeared
    # meanwhile. Starting the program matters more than the copy.
    partial="$data/.timbres_1.txt.$$"
    if cp -- "$prefix/share/sonvira/timbres_1.txt" "$partial"; then
        ln -- "$partial" "$default" 2>/dev/null || true
    fi
    rm -f -- "$partial"
fi

cd -- "$data"
exec "$prefix/libexec/sonvira/$program" "$@"
