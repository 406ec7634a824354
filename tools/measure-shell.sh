#!/usr/bin/env bash
# Figures of the application shell, measured on the built program against
# the virtual keyboard:
#   start-up  time from launch to the hidden window with the keyboard
#             connected (median of RUNS starts)
#   memory    peak resident set (/usr/bin/time -v) over a start and IDLE_S
#             seconds idle in the notification area
#   idle CPU  CPU time used in those IDLE_S seconds (/proc/<pid>/stat)
# Offscreen by default. With --x11 the program runs on a real X server
# (Xvfb) with a notification area (trayer), and the idle figures are taken
# twice, with the window shown and with it hidden: peak resident set
# (VmHWM), and the wakeups of each thread over IDLE_S seconds (voluntary and
# forced context switches from /proc/<pid>/task/*/status), the window's own
# thread apart from the device threads.
# Usage: tools/measure-shell.sh [--x11] [build-folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
x11=0
if [ "${1:-}" = --x11 ]; then
  x11=1
  shift
fi
build=${1:-build}
program=$build/bin/rt604
runs=${RUNS:-10}
idle=${IDLE_S:-60}
[ -x "$program" ] || { echo "build $program first" >&2; exit 1; }
if [ "$x11" = 1 ]; then
  exec tools/measure-shell-x11.sh "$build"
fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=offscreen

now_ms() { date +%s%3N; }
# Waits until the log has the hidden window and the connected icon.
wait_ready() {
  local log=$1 until=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$until" ]; do
    if [ -f "$log" ] && grep -qx 'window-hidden' "$log" && grep -qx 'tray-icon 141' "$log"; then
      return 0
    fi
    sleep 0.002
  done
  echo "program did not get ready" >&2
  return 1
}

times=()
for i in $(seq "$runs"); do
  log=$work/start-$i.log
  start=$(now_ms)
  RT604_EVENT_LOG=$log "$program" /Start --virtual-keyboard="$work/vk.state" 2>/dev/null &
  pid=$!
  wait_ready "$log"
  times+=($(( $(now_ms) - start )))
  kill -TERM "$pid"; wait "$pid" || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(echo "$sorted" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "start-up to hidden window, keyboard connected: median ${median} ms (runs: $(echo $sorted | tr '\n' ' '))"

log=$work/idle.log
RT604_EVENT_LOG=$log /usr/bin/time -v -o "$work/time.txt" "$program" /Start --virtual-keyboard="$work/vk.state" 2>/dev/null &
timepid=$!
wait_ready "$log"
pid=$(sed -n 's/^started //p' "$log" | head -1)
sleep 1 # let start-up work settle
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks); s0=$(now_ms)
sleep "$idle"
t1=$(ticks); s1=$(now_ms)
hz=$(getconf CLK_TCK)
kill -TERM "$pid"; wait "$timepid" || true
awk -v t=$((t1 - t0)) -v hz="$hz" -v ms=$((s1 - s0)) \
  'BEGIN { printf "idle CPU over %.0f s, keyboard connected: %d ticks = %.4f %% of a core\n", ms/1000, t, 100 * t / hz / (ms / 1000) }'
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
awk -v k="$rss" 'BEGIN { printf "peak resident memory: %d kB = %.1f MB\n", k, k / 1024 }'
