#!/usr/bin/env bash
# Pictures of the real program on an X server with a window manager and a
# notification area, in English and in Russian: the window with the focus
# mark, the lighting view and its colour chooser, its button menu, the restore-defaults question, the import file
# dialog, the message of a help page that nothing can open, the About box,
# the notification-area menu and tip, and the no-keyboard message. Driven
# with real clicks and keys (xdotool); pictures in screenshots/desktop-*.png.
#
#   tools/desktop-screenshots.sh [build folder]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/screenshots
# shellcheck source=tools/shot-desktop.sh
. "$root/tools/shot-desktop.sh"
shot_desktop "rt604 rt604screengrab"

program=$build/bin/rt604
grab=$build/tools/screengrab/rt604screengrab
skin=$build/bin/Skins/Main.ini

# An xdg-open that finds no browser, as on a desktop without one.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 3\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# The skin's x, y, width and height of a control.
control() { sed -n "s/^$1=//p" "$skin" | head -1 | tr ',' ' '; }
# Clicks the middle of a control of the main window.
click_control() {
  local x y w h
  read -r x y w h < <(control "$1")
  xdotool mousemove --sync $((wx + x + w / 2)) $((wy + y + h / 2)) sleep 0.3 click 1
}
shot() { sleep "${2:-0.8}"; "$grab" "$out/desktop-$lang-$1.png"; }

for lang in en ru; do
  locale=en_US.UTF-8
  [ "$lang" = ru ] && locale=ru_RU.UTF-8
  home=$work/$lang
  mkdir -p "$home/run" && chmod 700 "$home/run"
  log=$home/events.log
  env -u LC_ALL -u LC_MESSAGES LANG=$locale PATH="$work/bin:$PATH" \
    XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data RT604_EVENT_LOG=$log \
    "$program" --virtual-keyboard="$home/vk.state" >/dev/null 2>&1 &
  pid=$!
  pids+=("$pid")
  wait_log "$log" 'window-shown'
  wait_log "$log" 'tray-added xembed'
  sleep 1
  # The main window: the program's one large window (the other is its icon).
  window=
  for w in $(xdotool search --onlyvisible --pid "$pid" --classname rt604); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" -gt 400 ]; then window=$w wx=$X wy=$Y; fi
  done
  [ -n "$window" ] || { echo "the main window is not on the screen" >&2; exit 1; }

  # The focus mark after a few Tabs.
  xdotool mousemove --sync $((wx + 600)) $((wy + 640)) key Tab Tab Tab
  shot window
  # The lighting view, Tab on its controls, and the colour chooser.
  click_control CONTROL_DengStaPic
  xdotool key Tab
  shot lighting
  click_control CONTROL_HXysButton
  shot colour-chooser
  xdotool key Escape
  click_control CONTROL_DengStaPic
  click_control CONTROL_MENU
  shot button-menu
  xdotool key Escape
  click_control FUNC_DEFAULT
  shot defaults-question
  xdotool key Escape
  click_control CONTROL_MENU
  sleep 0.5
  xdotool key Down Return
  shot import-dialog 1.5
  xdotool key Escape
  click_control CONTROL_HELP
  shot help-unavailable 1.2
  xdotool key Return
  click_control CONTROL_MENU
  sleep 0.5
  xdotool key Up Return
  shot about
  xdotool key Escape

  # The notification area: its menu, the tip once the keyboard has sent its
  # status notice, then the keyboard pulled out and the window asked for.
  icon=$(xdotool search --onlyvisible --pid "$pid" --classname rt604 | while read -r w; do
    [ "$w" != "$window" ] && echo "$w"; done | head -1)
  xdotool mousemove --window "$icon" 8 8 click 3
  shot tray-menu
  # The enabled entries: the three profiles, Automatic profiles, Open,
  # Firmware update, About, Exit, then the virtual keyboard's Unplug and its
  # notices 0x0401, 0x0402, 0x1811.
  xdotool key Down Down Down Down Down Down Down Down Down Down Down Down Return
  wait_log "$log" 'tray-icon 142'
  xdotool mousemove --window "$icon" 6 6 sleep 0.2 mousemove --window "$icon" 10 9
  shot tray-tip 2.5
  xdotool mousemove --window "$icon" 8 8 click 3
  sleep 0.8
  xdotool key Down Down Down Down Down Down Down Down Down Return
  wait_log "$log" 'tray-icon 128'
  xdotool mousemove --window "$icon" 8 8 click --repeat 2 --delay 120 1
  shot no-keyboard
  xdotool key Return
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
echo "Pictures in $out:"
ls "$out"/desktop-*.png
