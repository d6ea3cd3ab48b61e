#!/bin/sh
# Makes the Debian package with debian/ from the tree the test command has built
# (no second compile), checks its fields, lintian's verdict and its tree against a
# plain install. Then, as an administrator would: installs it, enables the system
# unit, installs a higher version, removes it and purges it, checking after each
# step the units, their links, debhelper's and dpkg's state and the service's data
# folder, and what the maintainer scripts asked of systemd. There is no systemd
# running here: each dpkg step runs in a mount namespace of its own that looks
# like a booted system to the scripts, with a systemctl that only writes down its
# arguments. The package never stays installed.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -eu
build=$1
source=$2
version=$3
skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in dpkg-buildpackage dh lintian man unshare flock systemctl deb-systemd-helper; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (tools/install-deps.sh installs it)"
done
unshare -m sh -c 'mount -t tmpfs tmpfs /run' 2>/dev/null || skip "no mount namespace allowed here"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# One package test on the machine at a time: dpkg's database is shared.
exec 9>/tmp/sonvira-package-test.lock
flock -w 240 9 || fail "another package test holds /tmp/sonvira-package-test.lock"
status=$(dpkg-query -W -f='${db:Status-Status}' sonvira 2>/dev/null || true)
case "$status" in "" | not-installed) ;; *) skip "sonvira is on this machine ($status)" ;; esac

# The places the package's units, their links and state, and the service's data
# and cache folders live; /lib and /usr/lib are one folder on a merged /usr.
state() {
    find /etc/systemd /lib/systemd /usr/lib/systemd /var/lib /var/cache -name '*sonvira*' 2>/dev/null |
        sed 's|^/usr/lib/systemd/|/lib/systemd/|' | sort -u
}
[ -z "$(state)" ] || fail "sonvira's files are already on this machine: $(state)"

tmp=$(mktemp -d)
installed=
made_private=
sonvira_pid=
cleanup() {
    [ -z "$sonvira_pid" ] || kill -KILL "$sonvira_pid" 2>/dev/null || true
    if [ -n "$installed" ]; then
        dpkg -P sonvira >/dev/null 2>&1 || true
        # What a faulty purge left, so that the next run starts clean.
        state | grep -E '^/(etc/systemd|var/lib/systemd|var/lib/private|var/cache/private)/' |
            while read -r f; do rm -rf "$f"; done
        rm -f /var/lib/sonvira /var/cache/sonvira
        for folder in $made_private; do rmdir "$folder" 2>/dev/null || true; done
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# The package, made from a copy of the sources by the package's own rules.
src="$tmp/src/sonvira-$version"
mkdir -p "$src"
(cd "$source" && tar -cf - --exclude=./.git --exclude='./build*' --exclude=./.cache .) | tar -xf - -C "$src"
(cd "$src" && SONVIRA_BUILT="$build" DEB_BUILD_OPTIONS=noautodbgsym \
    dpkg-buildpackage -us -uc -b) >"$tmp/build.log" 2>&1 ||
    { tail -n 30 "$tmp/build.log" >&2; fail "dpkg-buildpackage"; }
deb="$tmp/src/sonvira_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$tmp/src")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = sonvira ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = amd64 ] || fail "package name, version or architecture"
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libc6 init-system-helpers; do
    case ", $depends" in *", $library "* | *", $library,"* | *", $library") ;;
    *) fail "Depends lacks $library: $depends" ;;
    esac
done
case "$(field Recommends)" in gnome-text-editor*geany*) ;; *) fail "Recommends: $(field Recommends)" ;; esac
field Description | grep -q 'adduser USUARIO dialout' || fail "the description says nothing of dialout"
lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 ||
    { cat "$tmp/lintian.txt" >&2; fail "lintian reports errors or warnings"; }

# The package's tree is a plain install's with prefix /usr, the system unit moved to
# Debian's place: the same paths and modes, the same bytes except the executables,
# which the package strips.
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
DESTDIR="$tmp/plain" cmake --install "$build" --prefix /usr >/dev/null
mkdir -p "$tmp/plain/lib/systemd"
mv "$tmp/plain/usr/lib/systemd/system" "$tmp/plain/lib/systemd/"
listing() { (cd "$1" && find . -printf '%y %m %p\n' | sort); }
listing "$root" >"$tmp/package.list"
listing "$tmp/plain" >"$tmp/plain.list"
diff "$tmp/plain.list" "$tmp/package.list" >&2 || fail "the package and a plain install differ"
(cd "$root" && find . -type f ! -perm -u+x) | while read -r f; do
    cmp -s "$root/$f" "$tmp/plain/$f" || fail "$f differs from a plain install"
done

# The higher version: the same package under a version that dpkg takes for newer.
newer="$version+1"
dpkg-deb -R "$deb" "$tmp/newer"
sed -i "s/^Version: .*/Version: $newer/" "$tmp/newer/DEBIAN/control"
dpkg-deb -b "$tmp/newer" "$tmp/newer.deb" >/dev/null

# A booted system as the maintainer scripts see it: /run/systemd/system, a
# systemctl that writes down each call, and a policy-rc.d that allows (a container
# may forbid every action in its own).
mkdir -p "$tmp/bin"
cat >"$tmp/bin/systemctl" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$tmp/systemctl.log"
SCRIPT
printf '#!/bin/sh\nexit 0\n' >"$tmp/policy-rc.d"
chmod +x "$tmp/bin/systemctl" "$tmp/policy-rc.d"
booted() {
    : >"$tmp/systemctl.log"
    PATH="$tmp/bin:$PATH" unshare -m sh -c '
        mount -t tmpfs tmpfs /run && mkdir -p /run/systemd/system /run/lock || exit 1
        [ ! -e /usr/sbin/policy-rc.d ] || mount --bind "$0" /usr/sbin/policy-rc.d || exit 1
        exec "$@"' "$tmp/policy-rc.d" "$@" >"$tmp/dpkg.log" 2>&1 ||
        { cat "$tmp/dpkg.log" >&2; fail "$*"; }
}
# After a step: the files and links that must be there (all the others must not),
# and systemd's calls in order.
check() {
    step=$1
    state >"$tmp/state"
    printf '%s' "$2" | sed '/^$/d' | sort >"$tmp/expected"
    diff "$tmp/expected" "$tmp/state" >&2 || fail "after $step: the files above differ"
    [ "$(cat "$tmp/systemctl.log")" = "$3" ] ||
        fail "after $step, systemctl was asked: $(cat "$tmp/systemctl.log")"
    echo "after $step:"
    sed 's/^/  /' "$tmp/state"
}
units='/lib/systemd/system/sonvira.service
/lib/systemd/user/sonvira.service'
dpkg_files='/var/lib/dpkg/info/sonvira.list
/var/lib/dpkg/info/sonvira.md5sums
/var/lib/dpkg/info/sonvira.postinst
/var/lib/dpkg/info/sonvira.postrm
/var/lib/dpkg/info/sonvira.prerm'
kept='/var/lib/dpkg/info/sonvira.list
/var/lib/dpkg/info/sonvira.postrm'
tracked='/var/lib/systemd/deb-systemd-helper-enabled/sonvira.service.dsh-also
/var/lib/systemd/deb-systemd-user-helper-enabled/sonvira.service.dsh-also'
link=/etc/systemd/system/multi-user.target.wants/sonvira.service
link_tracked=/var/lib/systemd/deb-systemd-helper-enabled/multi-user.target.wants/sonvira.service

# Installed: systemd reads the units again; nothing is enabled or started.
installed=yes
booted dpkg -i "$deb"
check "dpkg -i" "$units
$dpkg_files
$tracked" "--system daemon-reload"

# The installed programs run: the tools, each manual page, and the launcher, which
# starts the program in a new data folder. Every COM entry there is a link inside
# the temporary home, leading nowhere, so no real port is ever tried.
timbres-check /usr/share/sonvira/timbres_1.txt >/dev/null || fail "timbres-check on the default program"
satelite --help | grep -q -- '--pty' || fail "satelite --help"
for page in /usr/share/man/man1/Sonvira.1.gz /usr/share/man/man1/repetidores.1.gz \
    /usr/share/man/man1/satelite.1.gz /usr/share/man/man1/timbres-check.1.gz; do
    name=$(basename "$page" .1.gz)
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$tmp/page.txt" 2>"$tmp/page.err" ||
        fail "man -l $name"
    [ ! -s "$tmp/page.err" ] || { cat "$tmp/page.err" >&2; fail "man -l $name complains"; }
    grep -Eq "^ *$name +- " "$tmp/page.txt" || fail "man page $name has no name line"
done
home="$tmp/casa"
mkdir -p "$home/Quirzal"
for n in 1 2 3 4; do
    ln -s "$tmp/sin-dispositivo" "$home/Quirzal/COM$n"
done
HOME="$home" QT_QPA_PLATFORM=offscreen /usr/bin/Sonvira >"$tmp/sonvira.log" 2>&1 &
sonvira_pid=$!
program=/usr/libexec/sonvira/Sonvira
for _ in $(seq 100); do
    [ "$(readlink "/proc/$sonvira_pid/exe" 2>/dev/null)" = "$program" ] && break
    sleep 0.05
done
[ "$(readlink "/proc/$sonvira_pid/exe" 2>/dev/null)" = "$program" ] ||
    { cat "$tmp/sonvira.log" >&2; fail "the launcher did not start $program"; }
[ "$(readlink "/proc/$sonvira_pid/cwd")" = "$home/Quirzal" ] || fail "Sonvira not started in ~/Quirzal"
sleep 1
kill -0 "$sonvira_pid" 2>/dev/null || { cat "$tmp/sonvira.log" >&2; fail "Sonvira ended at start"; }
kill -TERM "$sonvira_pid"
wait "$sonvira_pid" || true
sonvira_pid=
cmp -s "$home/Quirzal/timbres_1.txt" "$source/data/timbres_1.txt" || fail "timbres_1.txt not copied"

# The administrator enables the service (systemctl works on the files alone when
# systemd is not running), and its first start makes the folders its unit asks
# for as systemd does under DynamicUser=: each in private/, a link to it beside.
systemctl enable sonvira.service >/dev/null 2>&1 || fail "systemctl enable sonvira.service"
data=
for kind in State:/var/lib Cache:/var/cache; do
    grep -q "^${kind%%:*}Directory=sonvira$" /lib/systemd/system/sonvira.service || continue
    base=${kind#*:}
    [ -d "$base/private" ] || { mkdir -m 700 "$base/private" && made_private="$made_private $base/private"; }
    mkdir "$base/private/sonvira"
    ln -s private/sonvira "$base/sonvira"
    data="$data
$base/private/sonvira
$base/sonvira"
done
echo registro >/var/lib/sonvira/registro.txt || fail "the system unit asks for no /var/lib/sonvira"
: >"$tmp/systemctl.log"
check "systemctl enable" "$units
$dpkg_files
$tracked
$link
$data" ""

# An upgrade keeps the enablement, and restarts the service if it was running.
booted dpkg -i "$tmp/newer.deb"
[ "$(dpkg-query -W -f='${Version}' sonvira)" = "$newer" ] || fail "not upgraded to $newer"
[ "$(readlink "$link")" = /lib/systemd/system/sonvira.service ] || fail "$link: $(readlink "$link")"
check "dpkg -i of $newer" "$units
$dpkg_files
$tracked
$link
$link_tracked
$data" "--system daemon-reload
try-restart sonvira.service"

# Removed: stopped first, the units gone; its enablement and data stay for a
# reinstall, as Debian keeps a removed package's configuration.
booted dpkg -r sonvira
check "dpkg -r" "$kept
$tracked
$link
$link_tracked
$data" "stop sonvira.service
--system daemon-reload"
[ "$(cat /var/lib/sonvira/registro.txt)" = registro ] || fail "the service's log lost on removal"

# Purged: nothing of it is left (deb-systemd-helper reloads systemd once it has
# taken the links away).
booted dpkg -P sonvira
check "dpkg -P" "" "daemon-reload"
installed=
for folder in $made_private; do rmdir "$folder"; done
echo "package $(basename "$deb"): OK"
