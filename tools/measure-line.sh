#!/usr/bin/env bash
# Measures the line that Sonvira keeps, on a virtual satellite, with the other core
# kept busy: how the frames fall in the wall-clock seconds (satelite --stats) and
# what Sonvira costs in CPU and memory.
#
#   tools/measure-line.sh MINUTES
#
# Runs the real Sonvira (QT_QPA_PLATFORM=offscreen) in a temporary HOME whose
# Quirzal folder holds the saved port COM1, a bell program with a bell every 20
# seconds, and COM1 as the link that `satelite --pty` makes; COM2 to COM4 lead
# nowhere, so no real port is ever opened. Nobody is there to close Sonvira's
# message boxes, so the run loads a Qt plugin that presses OK on each one
# (tools/measure_line) and tells their texts at the end. The time starts once the
# first frame is on the line. MINUTES may have decimals (0.5).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+(\.[0-9]+)?$ ]] || [ "$(awk -v m="$1" 'BEGIN { print (m > 0) }')" != 1 ]; then
  echo "uso: tools/measure-line.sh MINUTOS" >&2
  exit 2
fi
seconds=$(awk -v m="$1" 'BEGIN { s = int(m * 60 + 0.5); print (s < 1 ? 1 : s) }')

build=$root/build
if [ ! -f "$build/build.ninja" ]; then
  tools/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" >/dev/null
fi
cmake --build "$build" -j 2 --target Sonvira satelite sonvira_box_closer >/dev/null

home=$(mktemp -d)
quirzal=$home/Quirzal
mkdir -p "$quirzal"
printf '" 1"\r\n' >"$quirzal/puertos.txt"
now=$(date +%s)
{
  printf 'Canal,HH:MM:SS\r\n'
  for ((i = 1; i <= seconds / 20 + 2; i++)); do
    printf '%s,%s\r\n' $((i % 3 + 1)) "$(date -d "@$((now + 20 * i))" +%H:%M:%S)"
  done
} >"$quirzal/timbres_1.txt"
for n in 2 3 4; do
  ln -s "$home/sin-satelite" "$quirzal/COM$n"
done

satelite_pid= sonvira_pid= busy_pid=
stop() {
  local pid
  for pid in $sonvira_pid $satelite_pid $busy_pid; do
    kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  rm -rf "$home"
}
trap stop EXIT
trap 'exit 130' INT TERM

"$build/tools/satelite/satelite" --pty "$quirzal/COM1" --text --stats \
  >"$home/satelite.out" 2>"$home/satelite.err" &
satelite_pid=$!
for _ in $(seq 100); do
  case $(readlink "$quirzal/COM1" || true) in /dev/pts/*) break ;; esac
  sleep 0.05
done
case $(readlink "$quirzal/COM1" || true) in
  /dev/pts/*) ;;
  *) echo "measure-line: satelite no creó $quirzal/COM1" >&2; cat "$home/satelite.err" >&2; exit 1 ;;
esac

yes >/dev/null &
busy_pid=$!

(cd "$quirzal" && HOME=$home QT_QPA_PLATFORM=offscreen \
  QT_PLUGIN_PATH=$build/tools/measure_line/plugins QT_QPA_GENERIC_PLUGINS=sonvira-box-closer \
  exec "$build/app/Sonvira") 2>"$home/sonvira.err" &
sonvira_pid=$!

for _ in $(seq 200); do
  grep -q '^FRAME ' "$home/satelite.out" && break
  sleep 0.1
done
if ! grep -q '^FRAME ' "$home/satelite.out"; then
  echo "measure-line: Sonvira no envía tramas" >&2
  cat "$home/sonvira.err" >&2
  exit 1
fi

clock_ticks=$(getconf CLK_TCK)
# Sonvira's CPU seconds so far (user + system) and its age in seconds.
cpu_sample() {
  local fields uptime
  fields=$(sed 's/^.*) //' "/proc/$sonvira_pid/stat")
  uptime=$(cut -d' ' -f1 /proc/uptime)
  awk -v f="$fields" -v up="$uptime" -v hz="$clock_ticks" 'BEGIN {
    split(f, a, " "); printf "%.2f %.2f\n", (a[12] + a[13]) / hz, up - a[20] / hz }'
}
memory() {
  awk -v key="$1:" '$1 == key { print $2 " " $3 }' "/proc/$sonvira_pid/status"
}

read -r cpu_start age_start < <(cpu_sample)
echo "measure-line: midiendo $seconds s (Sonvira pid $sonvira_pid, bucle ocupado pid $busy_pid)" >&2
sleep "$seconds"
kill -0 "$sonvira_pid" 2>/dev/null || { echo "measure-line: Sonvira terminó antes de tiempo" >&2; exit 1; }
read -r cpu_end age_end < <(cpu_sample)
rss=$(memory VmRSS)
peak=$(memory VmHWM)

# The satellite first: its second under way is dropped, while a Sonvira stopped
# first could leave that second with one frame.
kill -TERM "$satelite_pid"
wait "$satelite_pid" || true
satelite_pid=

echo "== satelite --stats"
grep '^ESTAD ' "$home/satelite.out" || echo "(sin líneas ESTAD)"
echo "== Sonvira"
awk -v c0="$cpu_start" -v c1="$cpu_end" -v t0="$age_start" -v t1="$age_end" 'BEGIN {
  printf "CPU en la medida: %.2f s en %.1f s (%.2f %% de un núcleo)\n", c1 - c0, t1 - t0, 100 * (c1 - c0) / (t1 - t0)
  printf "CPU desde el arranque: %.2f s en %.1f s\n", c1, t1 }'
echo "memoria residente (VmRSS): $rss; máxima (VmHWM): $peak"
boxes=$(grep '^caja cerrada: ' "$home/sonvira.err" || true)
echo "cajas de mensaje cerradas: $(printf '%s' "$boxes" | grep -c . || true)"
[ -z "$boxes" ] || printf '%s\n' "$boxes" | sed 's/^/  /'
