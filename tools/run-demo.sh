#!/usr/bin/env bash
# Runs Sonvira on a virtual satellite line, with no hardware and without ever
# opening a real port.
#
# The demo's home folder is build/demo. Its Quirzal folder holds the saved port
# (COM1), a bell program whose bells fall in the next two minutes, and COM1 as
# the link that `satelite --pty` makes to its pseudo-terminal. COM2 to COM4 are
# links to nothing, and so is COM1 whenever the satellite is not running: the
# program then fails to open them instead of falling back to /dev/ttyS*.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target satelite Sonvira

satelite=$root/build/tools/satelite/satelite
sonvira=$root/build/app/Sonvira
demo=$root/build/demo
quirzal=$demo/Quirzal
nowhere=$quirzal/sin-satelite
mkdir -p "$quirzal"

# The saved port, COM1: quote, blank, digit, quote, CR LF.
printf '" 1"\r\n' >"$quirzal/puertos.txt"

# Bells from half a minute on: each channel alone, then two channels at once.
# The program reads CR LF line ends only.
now=$(date +%s)
bell() { printf '%s,%s\r\n' "$1" "$(date -d "@$((now + $2))" +%H:%M:%S)"; }
{
  printf 'Canal,HH:MM:SS\r\n'
  bell 1 30
  bell 2 50
  bell 3 70
  bell 1 90
  bell 3 90
} >"$quirzal/timbres_1.txt"

for n in 2 3 4; do
  ln -sfn "$nowhere" "$quirzal/COM$n"
done

mode=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  mode=(--text)
  echo "run-demo: no display; the satellite writes what it hears here." >&2
fi
"$satelite" --pty "$quirzal/COM1" "${mode[@]}" &
satelite_pid=$!

stop_satelite() {
  if [ -n "$satelite_pid" ] && kill -0 "$satelite_pid" 2>/dev/null; then
    kill -TERM "$satelite_pid"
    wait "$satelite_pid" || true
  fi
  satelite_pid=
  ln -sfn "$nowhere" "$quirzal/COM1"
}
sonvira_pid=
stop_sonvira() {
  [ -z "$sonvira_pid" ] || kill -TERM "$sonvira_pid" 2>/dev/null || true
  exit 130
}
trap stop_satelite EXIT
trap stop_sonvira INT TERM

# Sonvira opens COM1 by itself at start-up: it must find the link in place.
for _ in $(seq 100); do
  case $(readlink "$quirzal/COM1" || true) in /dev/pts/*) break ;; esac
  kill -0 "$satelite_pid" 2>/dev/null || { echo "run-demo: satelite did not start" >&2; exit 1; }
  sleep 0.05
done
case $(readlink "$quirzal/COM1" || true) in
  /dev/pts/*) ;;
  *) echo "run-demo: satelite made no link at $quirzal/COM1" >&2; exit 1 ;;
esac

(cd "$quirzal" && HOME=$demo exec "$sonvira") &
sonvira_pid=$!

# Should the satellite end first (its window closed), point COM1 at nothing at
# once, so that a later "Abrir puerto" fails rather than reach /dev/ttyS0.
ended=
status=0
wait -n -p ended "$sonvira_pid" "$satelite_pid" || status=$?
if [ "$ended" = "$satelite_pid" ]; then
  satelite_pid=
  ln -sfn "$nowhere" "$quirzal/COM1"
  echo "run-demo: the satellite has ended; COM1 now leads nowhere." >&2
  status=0
  wait "$sonvira_pid" || status=$?
fi
sonvira_pid=
exit "$status"
