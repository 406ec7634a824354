# Sourced by the desktop screenshot scripts: an Xvfb server with a window
# manager (openbox) and a notification area (trayer) for the real program.
# The script sets root, build and out, and calls shot_desktop with the
# ninja targets it needs and the tools it drives; the first call re-runs the
# script inside a new X server, the second sets up the desktop there and
# leaves work (a scratch folder), pids (killed at exit) and wait_log.
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
