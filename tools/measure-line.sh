#!/usr/bin/env bash
# Measures the line that Sonvira keeps, on a virtual satellite, with the other core
# kept busy: how the frames fall in the wall-clock seconds (satelite --stats) and
# what Sonvira costs in CPU and memory.
#
#   tools/measure-line.sh [OPTIONS] MINUTES
#
#   --cada-segundo  a bell in every second of the run, channels 1, 2, 3 in turn
#                   (one line per second); without it a bell every 20 seconds
#   --lineas N      a program of N lines spread over the whole day instead (about
#                   one bell every 86400/N seconds); a program at rest
#   --carpeta N     N more files timbres_00001.txt ... in the working folder, and
#                   timbres_swap.txt created and deleted every 20 ms during the run
#   --reposo        no busy loop on the other core
#   --servicio      run `Sonvira --servicio` instead of the window with a box closer
#
# Runs the real Sonvira (QT_QPA_PLATFORM=offscreen) in a temporary HOME whose
# Quirzal folder holds the saved port COM1, the bell program timbres_1.txt, and
# COM1 as the link that `satelite --pty` makes; COM2 to COM4 lead nowhere, so no
# real port is ever opened. Sonvira starts in Quirzal, as the launcher starts it.
# Without --servicio nobody is there to close Sonvira's message boxes, so the run
# loads a Qt plugin that presses OK on each one (tools/measure_line) and tells
# their texts at the end. The time starts once the first frame is on the line.
# MINUTES may have decimals (0.5).
#
# Reported: satelite's ESTAD lines; Sonvira's CPU over the run, its resident
# memory at the end of each minute and at the end; the operations log's size and
# its DISPARO lines; Sonvira's CPU in the 5 s after the satellite ends, that is
# after the device is lost.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  echo "uso: tools/measure-line.sh [--cada-segundo | --lineas N] [--carpeta N] [--reposo] [--servicio] MINUTOS" >&2
  exit 2
}
every_second=0 lines=0 folder=0 busy=1 service=0
while [ $# -gt 1 ]; do
  case $1 in
    --cada-segundo) every_second=1; shift ;;
    --lineas) [[ ${2-} =~ ^[1-9][0-9]*$ ]] || usage; lines=$2; shift 2 ;;
    --carpeta) [[ ${2-} =~ ^[1-9][0-9]*$ ]] || usage; folder=$2; shift 2 ;;
    --reposo) busy=0; shift ;;
    --servicio) service=1; shift ;;
    *) usage ;;
  esac
done
if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+(\.[0-9]+)?$ ]] || [ "$(awk -v m="$1" 'BEGIN { print (m > 0) }')" != 1 ] ||
  { [ "$every_second" = 1 ] && [ "$lines" != 0 ]; }; then
  usage
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
# Seconds of the local day, so that the program's times are the wall clock's.
now=$(date +%s)
day_second=$(( (10#$(date -d "@$now" +%H) * 60 + 10#$(date -d "@$now" +%M)) * 60 + 10#$(date -d "@$now" +%S) ))
# Lines "channel,HH:MM:SS" from the given first second of the day, every `step`
# seconds, `count` of them, the channel cycling 1, 2, 3.
program_lines() {
  awk -v first="$1" -v step="$2" -v count="$3" 'BEGIN {
    printf "Canal,HH:MM:SS\r\n"
    for (i = 0; i < count; i++) {
      t = (first + i * step) % 86400
      printf "%d,%02d:%02d:%02d\r\n", i % 3 + 1, int(t / 3600), int(t % 3600 / 60), t % 60
    } }'
}
if [ "$every_second" = 1 ]; then
  # From the next second to well past the end; those before Sonvira starts pass unrung.
  program_lines $((day_second + 1)) 1 $((seconds + 60))
elif [ "$lines" != 0 ]; then
  program_lines $((day_second + 30)) $((86400 / lines > 0 ? 86400 / lines : 1)) "$lines"
else
  program_lines $((day_second + 20)) 20 $((seconds / 20 + 2))
fi >"$quirzal/timbres_1.txt"
# Saved an hour before the run, as a program in use is: Sonvira reads a program
# again at every tick while its time of change is within a few seconds of now.
touch -d '1 hour ago' "$quirzal/timbres_1.txt"
for n in 2 3 4; do
  ln -s "$home/sin-satelite" "$quirzal/COM$n"
done
if [ "$folder" != 0 ]; then
  (cd "$quirzal" && seq -f 'timbres_%05.0f.txt' 1 "$folder" | xargs touch)
fi

satelite_pid='' sonvira_pid='' busy_pid='' churn_pid='' sampler_pid=''
stop() {
  local pid
  for pid in $sampler_pid $churn_pid $sonvira_pid $satelite_pid $busy_pid; do
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

if [ "$busy" = 1 ]; then
  yes >/dev/null &
  busy_pid=$!
fi

if [ "$service" = 1 ]; then
  (cd "$quirzal" && HOME=$home exec "$build/app/Sonvira" --servicio) 2>"$home/sonvira.err" &
else
  (cd "$quirzal" && HOME=$home QT_QPA_PLATFORM=offscreen \
    QT_PLUGIN_PATH=$build/tools/measure_line/plugins QT_QPA_GENERIC_PLUGINS=sonvira-box-closer \
    exec "$build/app/Sonvira") 2>"$home/sonvira.err" &
fi
sonvira_pid=$!

for _ in $(seq 300); do
  grep -q '^FRAME ' "$home/satelite.out" && break
  sleep 0.1
done
if ! grep -q '^FRAME ' "$home/satelite.out"; then
  echo "measure-line: Sonvira no envía tramas" >&2
  cat "$home/sonvira.err" >&2
  exit 1
fi

if [ "$folder" != 0 ]; then
  # A matching name, so that the list of programs changes every time.
  perl -MTime::HiRes=sleep -e '
    my $name = shift;
    while (1) { open(my $f, ">", $name) or die; close $f; sleep 0.01; unlink $name; sleep 0.01 }
  ' "$quirzal/timbres_swap.txt" &
  churn_pid=$!
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
echo "measure-line: midiendo $seconds s (Sonvira pid $sonvira_pid, bucle ocupado pid ${busy_pid:-ninguno})" >&2
# Resident memory at the end of each whole minute, for growth over a long run.
(
  for ((m = 1; m * 60 <= seconds; m++)); do
    sleep 60
    echo "minuto $m VmRSS $(memory VmRSS)"
  done
) >"$home/memory.txt" &
sampler_pid=$!
sleep "$seconds"
kill -0 "$sonvira_pid" 2>/dev/null || { echo "measure-line: Sonvira terminó antes de tiempo" >&2; exit 1; }
read -r cpu_end age_end < <(cpu_sample)
rss=$(memory VmRSS)
peak=$(memory VmHWM)
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=
if [ -n "$churn_pid" ]; then
  kill -TERM "$churn_pid"; wait "$churn_pid" 2>/dev/null || true; churn_pid=
fi

# The satellite first: its second under way is dropped, while a Sonvira stopped
# first could leave that second with one frame. Ending it also takes the device
# away from Sonvira, which is then watched for 5 s.
kill -TERM "$satelite_pid"
wait "$satelite_pid" || true
satelite_pid=
read -r lost_start _ < <(cpu_sample)
sleep 5
read -r lost_end _ < <(cpu_sample)

echo "== satelite --stats"
grep '^ESTAD ' "$home/satelite.out" || echo "(sin líneas ESTAD)"
echo "== Sonvira ($([ "$service" = 1 ] && echo '--servicio' || echo 'ventana, cajas cerradas por el complemento'))"
awk -v c0="$cpu_start" -v c1="$cpu_end" -v t0="$age_start" -v t1="$age_end" 'BEGIN {
  printf "CPU en la medida: %.2f s en %.1f s (%.2f %% de un núcleo)\n", c1 - c0, t1 - t0, 100 * (c1 - c0) / (t1 - t0)
  printf "CPU desde el arranque: %.2f s en %.1f s\n", c1, t1 }'
echo "memoria residente (VmRSS): $rss; máxima (VmHWM): $peak"
cat "$home/memory.txt"
awk -v c0="$lost_start" -v c1="$lost_end" 'BEGIN {
  printf "CPU en los 5 s tras perder el dispositivo: %.2f s (%.1f %% de un núcleo)\n", c1 - c0, 100 * (c1 - c0) / 5 }'
logs=("$quirzal"/registro*.txt)
[ -e "${logs[0]}" ] || logs=()
echo "registro de operaciones: $(cat "${logs[@]}" /dev/null | wc -c) bytes en ${#logs[@]} archivo(s)," \
  "$(cat "${logs[@]}" /dev/null | grep -c ' DISPARO ' || true) líneas DISPARO"
if [ "$service" = 1 ]; then
  boxes=$(grep ' MENSAJE ' "$home/sonvira.err" || true)
else
  boxes=$(grep '^caja cerrada: ' "$home/sonvira.err" || true)
fi
echo "cajas de mensaje: $(printf '%s' "$boxes" | grep -c . || true)"
[ -z "$boxes" ] || printf '%s\n' "$boxes" | head -20 | sed 's/^/  /'
