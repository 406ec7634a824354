#!/usr/bin/env bash
# Pictures of what owners meet in daily use, on an X server with a window
# manager and a notification area, in English and in Russian: the profile
# manager after a restart with the keyboard's rows, a kept file and a file
# that is gone; the key editor while a recording runs; the Key field of the
# editor opened on a key that holds a mouse action; the notification-area tip
# with its status-mark and automatic-profile lines; the lighting view on an
# effect the program has no name row for. Driven with real clicks and keys (xdotool);
# pictures in screenshots/finish-*-en.png and -ru.png.
#
#   tools/flow-screenshots.sh [build folder]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/screenshots
# shellcheck source=tools/shot-desktop.sh
. "$root/tools/shot-desktop.sh"
shot_desktop "rt604 rt604ctl rt604screengrab" xedit python3

program=$build/bin/rt604
ctl=$build/bin/rt604ctl
grab=$build/tools/screengrab/rt604screengrab
skins=$build/bin/Skins

shot() { sleep "${2:-0.8}"; "$grab" "$out/finish-$1-$lang.png"; }
# rt604ctl on the language's keyboard and settings, in its locale (its first
# start keeps the language for the window too).
rt604ctl() {
  local locale=en_US.UTF-8
  [ "$lang" = ru ] && locale=ru_RU.UTF-8
  env -u LC_ALL -u LC_MESSAGES LANG=$locale XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
    "$ctl" --virtual-keyboard="$home/vk.state" "$@" >/dev/null
}
# The notification-area menu's n-th enabled entry (1: Profile 1): the three
# profiles, Automatic profiles, Open, Firmware update, About, Exit, then the
# virtual keyboard's Unplug, notices 0x0401, 0x0402, 0x1811, 0x1810 and its
# effect key.
tray_entry() { # n
  xdotool mousemove --window "$icon" 8 8 click 3
  sleep 0.8
  # shellcheck disable=SC2046
  xdotool key $(printf 'Down %.0s' $(seq "$1")) Return
}
tray_icon() {
  icon=$(xdotool search --onlyvisible --pid "$pid" --classname rt604 | while read -r w; do
    [ "$w" != "$main" ] && echo "$w"; done | head -1)
}
main_window() {
  find_window 1200 650
  main=$win mx=$wx my=$wy
}
# A key of the main window: opens the key editor on it.
open_editor() { # skin key
  wx=$mx wy=$my
  click_control Main.ini "$1"
  find_window 560 460
}
# The keyboard offers effect code 19, which has no name row, after 18:
# written into its information block as the firmware of another batch would
# hold it (bytes 12..43 of the block, 20 bytes into the state file).
offer_effect_19() {
  python3 - "$home/vk.state" <<'EOF'
import struct, sys, zlib
path = sys.argv[1]
state = bytearray(open(path, 'rb').read())
codes = 20 + 12
slot = bytes(state[codes:codes + 32]).index(18) + 1
state[codes + slot] = 19
state[-4:] = struct.pack('<I', zlib.crc32(bytes(state[:-4])))
open(path, 'wb').write(state)
EOF
}

files=$work/files
mkdir -p "$files"

for lang in en ru; do
  home=$work/$lang
  mkdir -p "$home"
  # Two profile files of the owner's, taken from the keyboard.
  rt604ctl export "$files/Kept-$lang.vpf"
  rt604ctl export "$files/Gone-$lang.vpf"
  offer_effect_19
  rt604ctl lighting 1 effect=18
  rt604ctl rules add xedit 2

  # The profile manager: both files added with Add file, kept with OK.
  start_program
  main_window
  for name in Kept Gone; do
    wx=$mx wy=$my
    click_control Main.ini FUNC_PROFILES 60 40
    find_window 520 364
    click_control Profile.ini FUNC_LOAD
    sleep 1.2
    xdotool type --delay 20 "$files/$name-$lang.vpf"
    xdotool key Return
    sleep 0.8
    click_control Profile.ini CONTROL_OK
    sleep 0.8
  done
  stop_program
  # One file gone before the next start.
  rm "$files/Gone-$lang.vpf"
  start_program
  main_window
  click_control Main.ini FUNC_PROFILES 60 40
  find_window 520 364
  point_at Profile.ini PROGRAM_LIST 300 150
  xdotool mousemove --sync "$px" "$py" sleep 0.3 mousemove --sync $((px + 4)) $((py + 2))
  shot profiles-kept 2
  click_control Profile.ini CONTROL_CANCEL
  sleep 0.5

  # The lighting view, then the keyboard's own effect key moves it from
  # Vortex (18) to code 19. Before any key edit: turning the view on asks
  # about unapplied edits.
  tray_icon
  wx=$mx wy=$my
  click_control Main.ini CONTROL_DengStaPic
  sleep 0.5
  tray_entry 14
  wait_log "$log" 'tray-command 32797'
  xdotool mousemove --sync $((mx + 600)) $((my + 700))
  shot effect-19 1.5
  # Off again: with the view on, a key's click chooses its colour.
  click_control Main.ini CONTROL_DengStaPic
  sleep 0.5

  # The key editor while recording: the record button pressed in, the
  # events of real key presses arriving.
  open_editor KEY_01E
  click_control Composite.ini CONTROL_MACRO
  click_control Composite.ini FUNC_MACRO_ADD
  click_control Composite.ini FUNC_MACRO_RECORD
  xdotool key --delay 250 h i space
  shot recording
  click_control Composite.ini FUNC_MACRO_RECORD
  click_control Composite.ini CONTROL_CANCEL
  sleep 0.5

  # Tab captured on one key, then a mouse action stored on another: the
  # editor reopened there names the mouse action, not Tab.
  open_editor KEY_01D
  click_control Composite.ini FUNC_KEY_INPUT
  xdotool key Tab
  sleep 0.3
  click_control Composite.ini CONTROL_CANCEL
  sleep 0.5
  open_editor KEY_01E
  click_control Composite.ini FUNC_KEY_RADIO_MOU
  # The list is chosen from with the mouse: the tab takes every key.
  click_control Composite.ini FUNC_KEY_MOUSE_SELECT
  click_control Composite.ini FUNC_KEY_MOUSE_SELECT 60 86
  click_control Composite.ini CONTROL_OK
  sleep 0.5
  open_editor KEY_01E
  shot key-field-mouse
  click_control Composite.ini CONTROL_CANCEL
  sleep 0.5

  # The tip: the status mark (notice 0x1811), and an automatic switch to
  # profile 2 for xedit that waits for the window's unapplied edit.
  tray_entry 12
  wait_log "$log" 'tray-icon 142'
  xedit -geometry 300x200+900+40 &
  pids+=($!)
  sleep 1.5
  xdotool search --sync --onlyvisible --class Xedit windowactivate --sync 2>/dev/null || true
  sleep 1
  xdotool mousemove --window "$icon" 6 6 sleep 0.2 mousemove --window "$icon" 10 9
  shot tray-tip-full 2.5
  kill %xedit 2>/dev/null || true

  stop_program
done
echo "Pictures in $out:"
ls "$out"/finish-*.png
