#!/usr/bin/env bash
# The figures of tools/measure-shell.sh --x11 (see there): the program on an
# Xvfb server with a notification area (trayer), against the virtual
# keyboard, idle for IDLE_S seconds with its window shown in the keyboard
# view, shown in the lighting view (whose preview animates), and hidden in
# the notification area.
# Usage: tools/measure-shell-x11.sh [build-folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$build/bin/rt604
idle=${IDLE_S:-60}
[ -x "$program" ] || { echo "build $program first" >&2; exit 1; }
for tool in xvfb-run trayer xdotool; do
  command -v "$tool" >/dev/null || { echo "needs $tool (tools/install-deps.sh)" >&2; exit 1; }
done

if [ -z "${RT604_MEASURE_IN_X:-}" ]; then
  export RT604_MEASURE_IN_X=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# A session without a session bus, as on a plain X desktop with a tray.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

trayer --edge bottom --widthtype request --heighttype pixel --height 32 >/dev/null 2>&1 &
pids+=($!)

now_ms() { date +%s%3N; }
wait_for() { # log line
  local until=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$until" ]; do
    [ -f "$1" ] && grep -qx "$2" "$1" && return 0
    sleep 0.02
  done
  echo "the program never logged '$2'" >&2
  return 1
}

# Context switches of every thread of pid: "tid name count" lines.
switches() {
  local pid=$1 task
  for task in /proc/"$pid"/task/*; do
    [ -r "$task/status" ] || continue
    awk -v tid="${task##*/}" -v name="$(tr " " _ <"$task/comm" 2>/dev/null)" \
      '/^voluntary_ctxt_switches|^nonvoluntary_ctxt_switches/ { n += $2 } END { print tid, name, n }' "$task/status"
  done
}

# measure NAME VIEW ARGS...: starts the program with the lighting view on
# (VIEW 1) or off (0), waits until it is idle in the state the arguments
# give, counts wakeups over $idle seconds.
measure() {
  local name=$1 view=$2
  shift 2
  # The view the window opens in is the one remembered in the user folder.
  mkdir -p "$XDG_DATA_HOME/Orvan RT-604"
  printf '[KEYCOLOR]\nDengCheck=%s\n' "$view" >"$XDG_DATA_HOME/Orvan RT-604/wskb.ini"
  local file=${name%% *}-$view
  local log=$work/$file.log
  RT604_EVENT_LOG=$log "$program" "$@" --virtual-keyboard="$work/vk.state" >/dev/null 2>&1 &
  local pid=$!
  pids+=("$pid")
  wait_for "$log" 'tray-icon 141'
  wait_for "$log" 'tray-added xembed'
  if [[ " $* " == *" /Start "* ]]; then wait_for "$log" 'window-hidden'; else wait_for "$log" 'window-shown'; fi
  sleep 3 # start-up work settles
  switches "$pid" | sort -k1,1 >"$work/$file.before"
  local t0 s0
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat"); s0=$(now_ms)
  sleep "$idle"
  switches "$pid" | sort -k1,1 >"$work/$file.after"
  local t1 s1
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat"); s1=$(now_ms)
  local hwm
  hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
  kill -TERM "$pid"; wait "$pid" 2>/dev/null || true
  local seconds
  seconds=$(awk -v ms=$((s1 - s0)) 'BEGIN { printf "%.1f", ms / 1000 }')
  echo "window $name, idle $seconds s:"
  awk -v kb="$hwm" 'BEGIN { printf "  peak resident memory (VmHWM): %d kB = %.1f MB\n", kb, kb / 1024 }'
  awk -v t=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" -v ms=$((s1 - s0)) \
    'BEGIN { printf "  CPU: %d ticks = %.4f %% of a core\n", t, 100 * t / hz / (ms / 1000) }'
  join "$work/$file.before" "$work/$file.after" | awk -v pid="$pid" -v ms=$((s1 - s0)) '
    { d = $5 - $3; total += d
      role = ($1 == pid) ? "window thread" : $2
      printf "  %-24s tid %-7s %6d wakeups = %6.2f /s\n", role, $1, d, d / (ms / 1000) }
    END { printf "  %-24s             %6d wakeups = %6.2f /s\n", "all threads", total, total / (ms / 1000) }'
}

measure "shown (keyboard view)" 0
measure "shown (lighting view, preview animating)" 1
measure "hidden (lighting view remembered)" 1 /Start
