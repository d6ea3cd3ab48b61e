#!/bin/sh
# Installs the build into a temporary prefix that no desktop reads and whose name
# needs quoting, checks the layout, starts each menu entry as a desktop does, and
# runs the launcher against a stand-in program with a temporary home folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefijo \$con blancos"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/Sonvira bin/repetidores bin/satelite bin/timbres-check \
    libexec/sonvira/Sonvira libexec/sonvira/repetidores; do
    [ -f "$prefix/$f" ] && [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
cmp -s "$prefix/libexec/sonvira/leeme.txt" "$source/data/leeme.txt" || fail "leeme.txt"
cmp -s "$prefix/share/sonvira/timbres_1.txt" "$source/data/timbres_1.txt" || fail "timbres_1.txt"
cmp -s "$prefix/share/sonvira/calendario.txt" "$source/data/calendario.txt" || fail "calendario.txt"
for page in Sonvira repetidores satelite timbres-check; do
    gzip -dc "$prefix/share/man/man1/$page.1.gz" | cmp -s - "$source/data/man/$page.1" ||
        fail "man page $page"
done

# Menu entries: valid, naming the launcher by its full path (quoted, since the
# prefix has a blank and a dollar), with an icon of each size under that name.
for entry in sonvira:Sonvira sonvira-repetidores:repetidores; do
    name=${entry%%:*}
    launcher=${entry#*:}
    file="$prefix/share/applications/$name.desktop"
    desktop-file-validate "$file" || fail "$name.desktop is not valid"
    exec_line=$(grep '^Exec=' "$file")
    [ "$exec_line" = "Exec=\"$tmp/prefijo \\\\\$con blancos/bin/$launcher\"" ] ||
        fail "$name.desktop: $exec_line"
    grep -qx "Icon=$name" "$file" || fail "$name.desktop has no icon $name"
    for size in 32x32 64x64; do
        [ -f "$prefix/share/icons/hicolor/$size/apps/$name.png" ] || fail "no $size icon $name"
    done
done

# Stand-ins for the programs: they tell where they were started and with what.
for p in Sonvira repetidores; do
    cat >"$prefix/libexec/sonvira/$p" <<SCRIPT
#!/bin/sh
pwd >"\$HOME/started-$p"
echo \$# >>"\$HOME/started-$p"
SCRIPT
done

home="$tmp/casa"
mkdir -p "$home"
data="$home/Quirzal"

# Each menu entry, started by GLib's own reader of entries (as GNOME's menu does),
# with a PATH that does not hold the prefix.
for entry in sonvira:Sonvira sonvira-repetidores:repetidores; do
    name=${entry%%:*}
    launcher=${entry#*:}
    rm -rf "$data" "$home/started-$launcher"
    HOME="$home" PATH=/usr/bin:/bin gio launch "$prefix/share/applications/$name.desktop" ||
        fail "the menu cannot start $name.desktop"
    for _ in $(seq 100); do
        [ -s "$home/started-$launcher" ] && break
        sleep 0.05
    done
    [ "$(head -n 1 "$home/started-$launcher" 2>/dev/null)" = "$data" ] ||
        fail "$name.desktop did not start $launcher in $data"
done
rm -rf "$data"

# First start: the data folder and the default program appear.
HOME="$home" "$prefix/bin/Sonvira"
[ "$(cat "$home/started-Sonvira")" = "$data
0" ] || fail "Sonvira not started in $data without arguments: $(cat "$home/started-Sonvira")"
cmp -s "$data/timbres_1.txt" "$source/data/timbres_1.txt" || fail "timbres_1.txt not copied"
[ "$(ls -A "$data")" = "timbres_1.txt" ] || fail "stray files in $data: $(ls -A "$data")"

# The operator's own program is never replaced, nor a link in its place.
printf '1,08:00:00\r\n' >"$data/timbres_1.txt"
HOME="$home" "$prefix/bin/repetidores"
[ "$(head -n 1 "$home/started-repetidores")" = "$data" ] || fail "repetidores not started in $data"
[ "$(cat "$data/timbres_1.txt")" = "$(printf '1,08:00:00\r\n')" ] || fail "timbres_1.txt overwritten"
rm "$data/timbres_1.txt"
ln -s "$tmp/en otro sitio.txt" "$data/timbres_1.txt"
HOME="$home" "$prefix/bin/Sonvira"
[ -L "$data/timbres_1.txt" ] && [ ! -e "$tmp/en otro sitio.txt" ] || fail "link replaced or written through"

# Started through a link from elsewhere, as a desktop icon may do.
rm -rf "$data" "$home/started-Sonvira"
ln -s "$prefix/bin/Sonvira" "$tmp/Sonvira"
(cd / && HOME="$home" "$tmp/Sonvira")
[ "$(head -n 1 "$home/started-Sonvira")" = "$data" ] || fail "start through a link"
[ -f "$data/timbres_1.txt" ] || fail "timbres_1.txt not copied on a start through a link"
# The service: a system unit and a user unit, valid for systemd, starting the
# launcher by its full path; the launcher hands the arguments on and starts the
# program in the data folder it is given.
for unit in lib/systemd/system/sonvira.service lib/systemd/user/sonvira.service; do
    [ -f "$prefix/$unit" ] || fail "$unit not installed"
    grep -qF "ExecStart=\"$tmp/prefijo \$con blancos/bin/Sonvira\" --servicio" "$prefix/$unit" ||
        fail "$unit: $(grep ExecStart "$prefix/$unit")"
    if command -v systemd-analyze >/dev/null; then
        out=$(systemd-analyze verify --man=no "$prefix/$unit" 2>&1) || fail "$unit: $out"
        [ -z "$out" ] || fail "$unit: $out"
    fi
done
# Their hardening, as systemd scores it (lower is safer): the system unit at most
# 2.5, the user unit, which a user's manager can restrict less, at most 6.
if command -v systemd-analyze >/dev/null; then
    for limit in 2.5:lib/systemd/system/sonvira.service 6:lib/systemd/user/sonvira.service; do
        unit=${limit#*:}
        score=$(systemd-analyze security --offline=true "$prefix/$unit" 2>/dev/null |
            sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
        [ -n "$score" ] || fail "$unit: no security score"
        awk -v s="$score" -v l="${limit%%:*}" 'BEGIN { exit !(s <= l) }' ||
            fail "$unit: exposure $score above ${limit%%:*}"
        echo "$unit: exposure $score"
    done
fi
rm -rf "$home/started-Sonvira"
# Refused, exit 2, nothing made or started: a --datos that does not exist; a HOME
# that is relative or empty; a data folder others may write to, or another account
# owns (links planted there would turn the launcher's copy elsewhere); the tests
# run as root.
mkdir -m 777 "$tmp/abierta" && mkdir "$tmp/ajena" && chown nobody "$tmp/ajena"
for refused in "--datos:$tmp/datos mal escrito" "HOME:otra casa" "HOME:" "--datos:$tmp/abierta" \
    "--datos:$tmp/ajena"; do
    value=${refused#*:} status=0
    case "$refused" in
    HOME:*) (cd "$tmp" && HOME="$value" "$prefix/bin/Sonvira" 2>/dev/null) || status=$? ;;
    *) HOME="$home" "$prefix/bin/Sonvira" --servicio --datos "$value" 2>/dev/null || status=$? ;;
    esac
    [ $status -eq 2 ] && [ ! -e "$home/started-Sonvira" ] && [ ! -e "$tmp/datos mal escrito" ] &&
        [ ! -e "$tmp/otra casa" ] && [ ! -e "$value/timbres_1.txt" ] || fail "not refused: $refused"
done
mkdir "$tmp/datos del servicio"
HOME="$home" "$prefix/bin/Sonvira" --servicio --datos "$tmp/datos del servicio"
[ "$(cat "$home/started-Sonvira")" = "$tmp/datos del servicio
3" ] || fail "the service's data folder and arguments: $(cat "$home/started-Sonvira")"
[ -f "$tmp/datos del servicio/timbres_1.txt" ] || fail "timbres_1.txt not copied for the service"
[ "$(ls -A "$tmp/datos del servicio")" = timbres_1.txt ] || fail "the copy left a temporary file"
echo "install layout, menu entries, units and launcher: OK"
