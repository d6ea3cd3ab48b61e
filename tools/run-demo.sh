#!/usr/bin/env bash
# Runs Sonvira on a virtual satellite line, with no hardware and without ever
# opening a real port. Before the windows open it says, in Spanish and English,
# what to press, when each bell will ring and how to stop. With no window manager
# to place them, the satellite's window opens beside Sonvira's instead of over it;
# with no display at all, Sonvira runs as the service and the satellite writes
# what it hears in the terminal.
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
bells=("1 30" "2 50" "3 70" "1 90" "3 90") # channel, seconds from now
at() { date -d "@$((now + $1))" +%H:%M:%S; }
{
  printf 'Canal,HH:MM:SS\r\n'
  for b in "${bells[@]}"; do
    set -- $b
    printf '%s,%s\r\n' "$1" "$(at "$2")"
  done
} >"$quirzal/timbres_1.txt"

for n in 2 3 4; do
  ln -sfn "$nowhere" "$quirzal/COM$n"
done

# Without a display the window cannot open: Sonvira runs as the service, with no
# box to answer, and the satellite writes what it hears here.
window=yes
mode=()
sonvira_options=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  window=
  mode=(--text)
  sonvira_options=(--servicio --datos "$quirzal")
elif [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xprop >/dev/null &&
  [[ $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true) != *"window id"* ]]; then
  # No window manager: every window would open at 0,0. Sonvira's is 421 px wide.
  mode=(-qwindowgeometry +440+0)
fi

# The same guide in Spanish and in English: $1 is es or en.
guide() {
  local b n=1
  if [ -n "$window" ]; then
    if [ "$1" = es ]; then
      echo "Se abren dos ventanas: Sonvira y el satélite virtual."
      echo "  1. Pulse \"Aceptar\" en el recordatorio de Sonvira (\"Recuerde, si no hay un"
      echo "     puerto abierto...\"): solo entonces abre COM1 y empiezan las tramas. Pulse"
      echo "     \"Aceptar\" también en \"Puerto COM 1: abierto OK\"."
    else
      echo "Two windows open: Sonvira and the virtual satellite."
      echo "  1. Press \"Aceptar\" on Sonvira's reminder (\"Recuerde, si no hay un puerto"
      echo "     abierto...\"): only then does it open COM1 and the frames begin. Press"
      echo "     \"Aceptar\" on \"Puerto COM 1: abierto OK\" too."
    fi
    n=2
  elif [ "$1" = es ]; then
    echo "No hay pantalla: Sonvira funciona como servicio (--servicio), sin ventana y sin"
    echo "nada que pulsar; el satélite escribe aquí lo que oye (FRAME, RING, QUIET)."
  else
    echo "No display: Sonvira runs as the service (--servicio), with no window and nothing"
    echo "to press; the satellite writes here what it hears (FRAME, RING, QUIET)."
  fi
  if [ "$1" = es ]; then
    echo "  $n. Los timbres suenan a estas horas del reloj del PC:"
  else
    echo "  $n. The bells ring at these times of the PC's clock:"
  fi
  for b in "${bells[@]}"; do
    set -- "$1" $b
    if [ "$1" = es ]; then echo "       $(at "$3")  canal $2"; else echo "       $(at "$3")  channel $2"; fi
  done
  n=$((n + 1))
  case $1,$window in
  es,yes) echo "  $n. Para terminar, cierre la ventana de Sonvira (o pulse Ctrl+C aquí)." ;;
  es,) echo "  $n. Para terminar, pulse Ctrl+C." ;;
  en,yes) echo "  $n. To stop, close Sonvira's window (or press Ctrl+C here)." ;;
  en,) echo "  $n. To stop, press Ctrl+C." ;;
  esac
  echo
}
echo
guide es
guide en

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

(cd "$quirzal" && HOME=$demo exec "$sonvira" "${sonvira_options[@]}") &
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
