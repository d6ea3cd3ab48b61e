#!/bin/sh
# The launcher that the install puts in bin/ twice, as Sonvira and as repetidores.
# It starts the program of its own name the way the Windows shortcut did: with the
# data folder ~/Quirzal as working folder, so that the bell program lists show the
# operator's programs; a service given its own data folder (--datos, a full path)
# starts there instead. Its arguments go to the program. On first use it makes
# ~/Quirzal (never a --datos folder) and copies the default bell program there; a
# timbres_1.txt that is already there, even a broken link, is the operator's and is
# never replaced.
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
fail() {
    echo "$program: $*" >&2
    exit 2
}
# The data folder is ~/Quirzal, or the one a service is given with --datos, which
# must already be there: a mistyped name is refused, never made.
data=
previous=
for argument in "$@"; do
    [ "$previous" = --datos ] && data=$argument
    previous=$argument
done
if [ -n "$data" ]; then
    [ -d "$data" ] || fail "la carpeta de datos $data no existe o no es una carpeta: debe existir antes de empezar"
else
    # A relative HOME would be taken from the working folder: another data folder,
    # without the operator's COMn links.
    case "${HOME:-}" in
    /*) ;;
    *) fail "la variable HOME («${HOME:-}») no es la ruta completa de la carpeta personal" ;;
    esac
    data="$HOME/Quirzal"
    mkdir -p -- "$data"
fi
# Files are written there on the account's behalf: a folder that another account
# owns or may write to could hold links planted to turn those writes elsewhere.
[ "$(stat -L -c %u -- "$data")" = "$(id -u)" ] ||
    fail "la carpeta de datos $data no pertenece a esta cuenta"
case "$(stat -L -c %A -- "$data")" in
?????w???? | ????????w?) fail "otros usuarios pueden escribir en la carpeta de datos $data" ;;
esac
default="$data/timbres_1.txt"

if [ ! -e "$default" ] && [ ! -L "$default" ]; then
    # Copied under a fresh temporary name (mktemp never reuses an existing one, nor
    # follows a link) and then linked in place: a full disk leaves no half-written
    # program, and a link never replaces a file that appeared meanwhile. Starting
    # the program matters more than the copy.
    if partial=$(mktemp -- "$data/.timbres_1.txt.XXXXXX" 2>/dev/null); then
        if cat -- "$prefix/share/sonvira/timbres_1.txt" >"$partial"; then
            # mktemp makes it private; as cp would, the umask decides.
            chmod "$(printf %o $((0666 & ~$(umask))))" -- "$partial" 2>/dev/null || true
            ln -- "$partial" "$default" 2>/dev/null || true
        fi
        rm -f -- "$partial"
    fi
fi

cd -- "$data"
exec "$prefix/libexec/sonvira/$program" "$@"
