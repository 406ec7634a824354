# Sourced by the desktop screenshot scripts: an Xvfb server with a window
# manager (openbox) and a notification area (trayer) for the real program.
# The script sets root, build and out, and calls shot_desktop with the
# ninja targets it needs and the tools it drives; the first call re-runs the
# script inside a new X server, the second sets up the desktop there and
# leaves work (a scratch folder), pids (killed at exit) and the helpers
# below (the script sets program and skins for them).
shot_desktop() { # "targets" tools...
  local targets=$1 tool
  shift
  for tool in xvfb-run trayer openbox xdotool "$@"; do
    command -v "$tool" >/dev/null || { echo "needs $tool (tools/install-deps.sh)" >&2; exit 1; }
  done
  if [ -z "${RT604_SHOTS_IN_X:-}" ]; then
    # shellcheck disable=SC2086
    ninja -C "$build" $targets >/dev/null
    mkdir -p "$out"
    export RT604_SHOTS_IN_X=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build"
  fi

  work=$(mktemp -d)
  pids=()
  trap shot_desktop_cleanup EXIT
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

  openbox >/dev/null 2>&1 &
  pids+=($!)
  trayer --edge bottom --widthtype request --heighttype pixel --height 32 >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
}

shot_desktop_cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}

wait_log() { # log line
  for _ in $(seq 500); do
    grep -qx "$2" "$1" 2>/dev/null && return 0
    sleep 0.02
  done
  echo "the program never logged '$2'" >&2
  return 1
}

# Starts the program on the virtual keyboard $home/vk.state in the language
# $lang, with its settings and data under $home, from the current folder;
# waits for its window and tray icon and sets pid and log.
start_program() {
  local locale=en_US.UTF-8
  [ "$lang" = ru ] && locale=ru_RU.UTF-8
  mkdir -p "$home/run" && chmod 700 "$home/run"
  log=$home/events.log
  : >"$log"
  env -u LC_ALL -u LC_MESSAGES LANG=$locale \
    XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data RT604_EVENT_LOG=$log \
    "$program" --virtual-keyboard="$home/vk.state" >/dev/null 2>&1 &
  pid=$!
  pids+=("$pid")
  wait_log "$log" 'window-shown'
  wait_log "$log" 'tray-added xembed'
  sleep 1
}
stop_program() {
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# A visible window of the program of the given size: sets win, wx, wy.
find_window() { # width height
  win=
  # Let the window manager place it first.
  sleep 0.6
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --pid "$pid" --classname rt604 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      if [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]; then win=$w wx=$X wy=$Y; return 0; fi
    done
    sleep 0.05
  done
  echo "no window of $1 x $2 on the screen" >&2
  return 1
}
# The skin's x, y, width and height of a control.
control() { sed -n "s/^$2=//p" "$skins/$1" | head -1 | tr ',' ' '; }
# Moves to a point of a control of the window found last: its middle, or
# dx, dy from its top-left corner.
point_at() { # layout key [dx dy]
  local x y w h
  read -r x y w h < <(control "$1" "$2")
  px=$((wx + x + ${3:-$((w / 2))})) py=$((wy + y + ${4:-$((h / 2))}))
}
click_control() { # layout key [dx dy]
  point_at "$@"
  xdotool mousemove --sync "$px" "$py" sleep 0.3 click 1
}
