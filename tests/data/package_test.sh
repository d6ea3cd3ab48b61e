#!/bin/sh
# Builds the Debian package from the build's own executables, checks its fields
# and lintian's verdict, unpacks it into a temporary root and compares that tree
# with a plain install to /usr, runs its launcher and tools from there, and renders
# each manual page.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1
source=$2
version=$3
for tool in cpack dpkg-deb dpkg-shlibdeps lintian man gzip; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)"
        exit 77
    fi
done
tmp=$(mktemp -d)
sonvira_pid=
cleanup() {
    [ -z "$sonvira_pid" ] || kill -KILL "$sonvira_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/out/sonvira_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$tmp/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = sonvira ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = amd64 ] || fail "package name, version or architecture"
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libc6; do
    case ", $depends" in *", $library "* | *", $library,"* | *", $library") ;;
    *) fail "Depends lacks $library: $depends" ;;
    esac
done
case "$(field Recommends)" in gnome-text-editor*geany*) ;; *) fail "Recommends: $(field Recommends)" ;; esac
field Description | grep -q 'sudo adduser USUARIO dialout' || fail "the description says nothing of dialout"

lintian "$deb" >"$tmp/lintian.txt" 2>&1 || true
if grep -q '^E:' "$tmp/lintian.txt"; then
    cat "$tmp/lintian.txt" >&2
    fail "lintian reports errors"
fi
grep '^W:' "$tmp/lintian.txt" || true

# The package's tree is the one a plain install gives with prefix /usr: the same
# paths and modes, the same bytes except the executables, which the package strips.
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
DESTDIR="$tmp/plain" cmake --install "$build" --prefix /usr >/dev/null
listing() { (cd "$1" && find . -printf '%y %m %p\n' | sort); }
listing "$root" >"$tmp/package.list"
listing "$tmp/plain" >"$tmp/plain.list"
diff "$tmp/plain.list" "$tmp/package.list" >&2 || fail "the package and a plain install differ"
(cd "$root" && find . -type f ! -perm -u+x) | while read -r f; do
    cmp -s "$root/$f" "$tmp/plain/$f" || fail "$f differs from a plain install"
done
for name in sonvira:Sonvira sonvira-repetidores:repetidores; do
    grep -qx "Exec=/usr/bin/${name#*:}" "$root/usr/share/applications/${name%%:*}.desktop" ||
        fail "${name%%:*}.desktop does not start /usr/bin/${name#*:}"
done

# The tools run from the unpacked tree, stripped as packaged.
"$root/usr/bin/timbres-check" "$root/usr/share/sonvira/timbres_1.txt" >/dev/null ||
    fail "timbres-check on the default program"
"$root/usr/bin/satelite" --help | grep -q -- '--pty' || fail "satelite --help"

# The launcher starts the packaged program in a new data folder. Every COM entry is
# a link inside the temporary home, leading nowhere, so no real port is ever tried.
home="$tmp/casa"
data="$home/Quirzal"
mkdir -p "$data"
for n in 1 2 3 4; do
    ln -s "$tmp/sin-dispositivo" "$data/COM$n"
done
HOME="$home" QT_QPA_PLATFORM=offscreen "$root/usr/bin/Sonvira" >"$tmp/sonvira.log" 2>&1 &
sonvira_pid=$!
program="$root/usr/libexec/sonvira/Sonvira"
for _ in $(seq 100); do
    [ "$(readlink "/proc/$sonvira_pid/exe" 2>/dev/null)" = "$program" ] && break
    sleep 0.05
done
[ "$(readlink "/proc/$sonvira_pid/exe" 2>/dev/null)" = "$program" ] ||
    { cat "$tmp/sonvira.log" >&2; fail "the launcher did not start $program"; }
[ "$(readlink "/proc/$sonvira_pid/cwd")" = "$data" ] || fail "Sonvira not started in $data"
sleep 1
kill -0 "$sonvira_pid" 2>/dev/null || { cat "$tmp/sonvira.log" >&2; fail "Sonvira ended at start"; }
kill -TERM "$sonvira_pid"
wait "$sonvira_pid" || true
sonvira_pid=
cmp -s "$data/timbres_1.txt" "$source/data/timbres_1.txt" || fail "timbres_1.txt not copied to $data"

# Each page renders without a complaint from man or groff.
for page in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$page" .1.gz)
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$tmp/page.txt" 2>"$tmp/page.err" ||
        fail "man -l $name"
    [ ! -s "$tmp/page.err" ] || { cat "$tmp/page.err" >&2; fail "man -l $name complains"; }
    grep -Eq "^ *$name +- " "$tmp/page.txt" || fail "man page $name has no name line"
done
echo "package $(basename "$deb"): OK"
