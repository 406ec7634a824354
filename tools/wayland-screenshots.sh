#!/usr/bin/env bash
# Pictures of the real program's windows on a headless Wayland compositor
# (sway), in English and in Russian: the main window, its button menu, the
# key editor and its tabs, the profile manager with a kept and a missing
# file, the automatic profiles dialog, the firmware update window, a message
# box and the lighting view. There is no pointer on a headless sway, so the
# windows are driven from the keyboard (wtype) and the program's own command
# line; pictures in screenshots/wayland-<what>-en.png and -ru.png.
#
#   tools/wayland-screenshots.sh [build folder]     (default: build)
#
# sway refuses to run as root: run as root, the script makes (or reuses) the
# user rt604shots and runs sway and the program as that user, from a copy of
# the build's program folder that user can read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/screenshots
shots_user=rt604shots
# shellcheck source=tools/shot-desktop.sh
. "$root/tools/shot-desktop.sh" # wait_log

if [ -z "${RT604_SHOTS_IN_SWAY:-}" ]; then
  for tool in sway swaymsg grim wtype; do
    command -v "$tool" >/dev/null || { echo "needs $tool (RT604_WITH_WAYLAND=1 tools/install-deps.sh)" >&2; exit 1; }
  done
  ninja -C "$build" rt604 rt604ctl >/dev/null
  mkdir -p "$out"
  stage=$(mktemp -d /tmp/rt604-wayland.XXXXXX)
  trap 'rm -rf "$stage"' EXIT
  mkdir -p "$stage/bin" "$stage/tools" "$stage/shots"
  cp -r "$build/bin/rt604" "$build/bin/rt604ctl" "$build/bin/Skins" "$build/bin/Help" "$build/bin/Package" "$build"/bin/Lang*.ini "$stage/bin/"
  cp "$root/tools/wayland-screenshots.sh" "$root/tools/shot-desktop.sh" "$stage/tools/"
  chmod -R a+rX "$stage"
  chmod 777 "$stage/shots"
  as=()
  if [ "$(id -u)" -eq 0 ]; then
    id "$shots_user" >/dev/null 2>&1 || useradd -m "$shots_user"
    as=(runuser -u "$shots_user" --)
    HOME=$(getent passwd "$shots_user" | cut -d: -f6)
  fi
  "${as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$HOME" RT604_SHOTS_IN_SWAY=1 \
    bash "$stage/tools/wayland-screenshots.sh" "$stage"
  cp "$stage"/shots/wayland-*.png "$out/"
  echo "Pictures in $out:"
  ls "$out"/wayland-*.png
  exit 0
fi

# From here on: the unprivileged user, inside the copy ($build is the stage).
stage=$build
bin=$stage/bin
out=$stage/shots
cd "$HOME"
work=$(mktemp -d "$HOME/shots.XXXXXX")
pids=()
trap shot_desktop_cleanup EXIT
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

# A bare compositor: one 1280x1024 output, no bar, no wallpaper.
printf 'output * mode 1280x1024\n' >"$work/sway.conf"
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
SWAYSOCK='' WAYLAND_DISPLAY=''
for _ in $(seq 100); do
  for f in "$XDG_RUNTIME_DIR"/sway-ipc.*.sock; do [ -S "$f" ] && SWAYSOCK=$f; done
  for f in "$XDG_RUNTIME_DIR"/wayland-?; do [ -S "$f" ] && WAYLAND_DISPLAY=${f##*/}; done
  [ -n "$SWAYSOCK" ] && [ -n "$WAYLAND_DISPLAY" ] && break
  sleep 0.05
done
[ -n "$SWAYSOCK" ] || { cat "$work/sway.log" >&2; echo "sway did not start" >&2; exit 1; }
export SWAYSOCK WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland
# A keyboard that stays plugged in: with none, the seat loses its keyboard
# between two wtype runs and the program's window its keyboard focus.
wtype -s 3600000 &
pids+=($!)
sleep 0.5

keys() { wtype "$@"; sleep 0.3; }
# Shift+Tab n times: backwards through the main window from its first key.
back_tab() {
  local args=(-M shift) i
  for ((i = 0; i < $1; i++)); do args+=(-k Tab); done
  keys "${args[@]}" -m shift
}
shot() { sleep "${2:-0.8}"; grim "$out/wayland-$1-$lang.png"; }

# Profile files for the manager: one kept, one gone since it was added.
files=$work/files
mkdir -p "$files"
head -c 32832 /dev/zero >"$files/Gaming.vpf"
# The key editor opens on the tab of the key's function: a profile file whose
# G2 plays Previous track (multimedia, type 7, entry 3) and whose G3 is the
# keyboard's function 3 (type 8, entry 2), each a type word at the start of
# the key's 16-byte slot (64 + 16 * slot, G1 is slot 256) and a value at +4.
"$bin/rt604ctl" --virtual-keyboard="$work/factory.state" export "$files/tabs.vpf" >/dev/null
poke() { printf %b "$2" | dd of="$files/tabs.vpf" bs=1 seek="$1" conv=notrunc status=none; }
poke $((64 + 16 * 257)) '\x07\x00'
poke $((64 + 16 * 257 + 4)) '\x03\x00\x00\x00'
poke $((64 + 16 * 258)) '\x08\x00'
poke $((64 + 16 * 258 + 4)) '\x02\x00\x00\x00'

# The program with a fresh window, focus on its first key (G1); with
# "tabs", on a keyboard holding the profile file above.
start() {
  local conf=$home/config/orvan-rt604
  rm -rf "$home"
  mkdir -p "$conf"
  if [ "${1:-}" = tabs ]; then
    "$bin/rt604ctl" --virtual-keyboard="$home/vk.state" import "$files/tabs.vpf" >/dev/null
  fi
  printf '[Software\\Orvan RT-604]\ndwLanguageId=dword:%08X\n' "$language_id" >"$conf/user.ini"
  printf '[PROFILES]\nPROFILE00=2\nPROFILE01=%s\nPROFILE02=%s\n' "$files/Gaming.vpf" "$files/Office.vpf" >"$conf/settings.ini"
  log=$home/events.log
  XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data RT604_EVENT_LOG=$log \
    "$bin/rt604" --virtual-keyboard="$home/vk.state" >"$home/out.log" 2>&1 &
  pid=$!
  wait_log "$log" 'window-shown'
  sleep 1
}
stop() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

for lang in en ru; do
  language_id=$((0x0409))
  [ "$lang" = ru ] && language_id=$((0x0419))
  home=$work/$lang

  start
  shot main
  # The key editor of G1 and its tabs.
  keys -k Return
  shot editor-key
  stop
  # Its multimedia and function tabs, opened on G2 and G3 (the tab buttons
  # cannot be reached: the single-key tab takes every key pressed, and
  # wtype's keys come with a keymap of their own, so they all read as Esc).
  start tabs
  keys -k Tab -k Return
  shot editor-media
  stop
  start tabs
  keys -k Tab -k Tab -k Return
  shot editor-function
  stop
  # Its macro tab from the Macros button (Shift+Tab as below).
  start
  back_tab 21
  keys -k Return
  shot editor-macro
  stop

  # The button menu (Shift+Tab: Close, Minimize, Help, Menu) and the
  # automatic profiles dialog from it.
  start
  back_tab 4
  keys -k Return
  shot button-menu
  keys -k Down -k Down -k Down -k Return
  shot autoprofiles
  stop

  # Backwards further: the language list, the links, Cancel, OK, the three
  # colour fields, the report rates, the lighting switch, Defaults, Macros,
  # the profile buttons and the profile banner.
  start
  back_tab 19
  keys -k space
  shot lighting
  stop

  start
  back_tab 20
  keys -k Return
  shot message-box
  stop

  start
  back_tab 25
  keys -k Return
  shot profiles
  stop

  # The firmware update window: a second start hands the request over.
  start
  XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
    "$bin/rt604" --firmware-update --virtual-keyboard="$home/vk.state" >/dev/null 2>&1 || true
  shot update 1.2
  stop
done
