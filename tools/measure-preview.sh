#!/usr/bin/env bash
# The effect preview's cost, measured on the built program against the
# virtual keyboard on a real X server (Xvfb):
#   shown   CPU used over SHOWN_S seconds with the window on screen, the
#           lighting view on and the column wave in every colour running
#           (the effect that changes every key at every tick)
#   hidden  CPU used and wakeups of the window's thread (its voluntary
#           context switches) over HIDDEN_S seconds after Cancel hid the
#           window, the lighting view still on
# Usage: tools/measure-preview.sh [build-folder]   (default: build)
# Needs xvfb-run and xdotool (tools/install-deps.sh installs both).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$build/bin/rt604
shown_s=${SHOWN_S:-30}
hidden_s=${HIDDEN_S:-30}
[ -x "$program" ] || { echo "build $program first" >&2; exit 1; }

if [ -z "${RT604_MEASURE_INNER:-}" ]; then
  exec env RT604_MEASURE_INNER=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi

work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/run" "$work/data/Orvan RT-604" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
# The owner left the lighting view on last time.
printf '[KEYCOLOR]\nDengCheck=%s\n' "${VIEW:-1}" >"$work/data/Orvan RT-604/wskb.ini"
log=$work/events.log

now_ms() { date +%s%3N; }
wait_for() { # line
  local until=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$until" ]; do
    grep -qx "$1" "$log" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "the program never logged \"$1\"" >&2
  exit 1
}
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
switches() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/task/$pid/status"; }
hz=$(getconf CLK_TCK)
report() { # label ticks ms
  awk -v l="$1" -v t="$2" -v hz="$hz" -v ms="$3" \
    'BEGIN { printf "%s: %d ticks in %.0f s = %.2f %% of a core\n", l, t, ms / 1000, 100 * t / hz / (ms / 1000) }'
}

RT604_EVENT_LOG=$log "$program" --virtual-keyboard="$work/vk.state" 2>/dev/null &
pid=$!
wait_for "window-shown"
wait_for "tray-icon 141"
sleep 2 # start-up settles; the preview has run for a while

t0=$(ticks); s0=$(now_ms)
sleep "$shown_s"
t1=$(ticks); s1=$(now_ms)
report "preview running, window shown" $((t1 - t0)) $((s1 - s0))

# Cancel hides the window, as the owner would.
geometry=$(grep '^CONTROL_CANCEL=' "$build/bin/Skins/Main.ini" | cut -d= -f2)
IFS=, read -r cx cy cw ch <<<"$geometry"
window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
xdotool mousemove --window "$window" $((cx + cw / 2)) $((cy + ch / 2)) click 1
wait_for "window-hidden"
sleep 1

t0=$(ticks); c0=$(switches); s0=$(now_ms)
sleep "$hidden_s"
t1=$(ticks); c1=$(switches); s1=$(now_ms)
report "window hidden, lighting view on" $((t1 - t0)) $((s1 - s0))
echo "wakeups of the window's thread while hidden: $((c1 - c0)) in $(( (s1 - s0) / 1000 )) s"
