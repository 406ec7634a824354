#!/usr/bin/env bash
# Pictures of the windows' finish on an X server with a window manager and a
# notification area, in English and in Russian: the drop-down lists with
# their arrows and one open, the key cell's list of a macro event, the tab
# and profile captions, a message box with its icon, the import file dialog
# with its sizes and dates, the dark tooltips (profile manager, update
# window, notification-area icon), the automatic profiles dialog with its
# tick and the pick note over a clock. Driven with real clicks and keys
# (xdotool); pictures in screenshots/finish-*-en.png and -ru.png.
#
#   tools/finish-screenshots.sh [build folder]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/screenshots
# shellcheck source=tools/shot-desktop.sh
. "$root/tools/shot-desktop.sh"
shot_desktop "rt604 rt604screengrab rt604autoprofileshot" xclock

program=$build/bin/rt604
grab=$build/tools/screengrab/rt604screengrab
skins=$build/bin/Skins

shot() { sleep "${2:-0.8}"; "$grab" "$out/finish-$1-$lang.png"; }

# A profile file and a folder beside it, for the import dialog's columns.
files=$work/files
mkdir -p "$files/Backups"
head -c 32832 /dev/zero >"$files/Gaming.vpf"
head -c 98368 /dev/zero >"$files/Office.vpf"
touch -d '2026-03-14 09:26' "$files/Gaming.vpf" "$files/Office.vpf"

for lang in en ru; do
  home=$work/$lang
  # From the profiles' folder, where the import dialog opens.
  cd "$files"
  start_program
  cd "$root"
  find_window 1200 650
  main=$win mx=$wx my=$wy

  # Captions of one size: the profile buttons, Macros and Defaults.
  shot captions
  # A message box: the restore-defaults question, with its icon.
  click_control Main.ini FUNC_DEFAULT
  shot message-box
  xdotool key Escape

  # The key editor: the mouse list with its arrow, then the media list open.
  wx=$mx wy=$my
  click_control Main.ini KEY_01E
  find_window 560 460
  click_control Composite.ini FUNC_KEY_RADIO_MOU
  shot dropdown-arrow
  click_control Composite.ini CONTROL_MEDIA
  click_control Composite.ini FUNC_MEDIA_SELECT 40
  shot dropdown-open
  xdotool key Escape
  # A recorded macro and its first event's key cell open as a list.
  click_control Composite.ini CONTROL_MACRO
  click_control Composite.ini FUNC_MACRO_ADD
  click_control Composite.ini FUNC_MACRO_RECORD
  xdotool key --delay 200 b c
  click_control Composite.ini FUNC_MACRO_RECORD
  point_at Composite.ini FUNC_MACRO_LIST2 40 34
  xdotool mousemove --sync "$px" "$py" sleep 0.3 click --repeat 2 --delay 80 1
  sleep 0.5
  xdotool click 1
  shot key-cell
  xdotool key Escape Escape
  click_control Composite.ini CONTROL_CANCEL
  sleep 0.5

  # The import dialog: sizes and dates in the language's way, whole columns.
  wx=$mx wy=$my
  click_control Main.ini CONTROL_MENU
  sleep 0.5
  xdotool key Down Return
  shot file-dialog 1.5
  xdotool key Escape
  sleep 0.5

  # The profile manager's tooltip over a cell.
  wx=$mx wy=$my
  click_control Main.ini FUNC_PROFILES 60 40
  find_window 520 364
  point_at Profile.ini PROGRAM_LIST 200 40
  xdotool mousemove --sync "$px" "$py" sleep 0.3 mousemove --sync $((px + 4)) $((py + 2))
  shot tooltip-profiles 2
  click_control Profile.ini CONTROL_CANCEL
  sleep 0.5

  # The notification area's tip, then its menu: the firmware update window
  # and a button's tooltip.
  icon=$(xdotool search --onlyvisible --pid "$pid" --classname rt604 | while read -r w; do
    [ "$w" != "$main" ] && echo "$w"; done | head -1)
  xdotool mousemove --window "$icon" 6 6 sleep 0.2 mousemove --window "$icon" 10 9
  shot tooltip-tray 2.5
  xdotool mousemove --window "$icon" 8 8 click 3
  sleep 0.8
  xdotool key Down Down Down Down Down Down Return
  find_window 520 212
  point_at UpdateDlg.ini CONTROL_OPENButton
  xdotool mousemove --sync "$px" "$py" sleep 0.3 mousemove --sync $((px + 3)) $((py + 2))
  shot tooltip-update 2
  click_control UpdateDlg.ini CONTROL_CLOSE
  sleep 0.5

  # The automatic profiles dialog's pick note after a click on a clock,
  # which takes no focus (its ticked switch comes from
  # rt604autoprofileshot, below).
  xclock -geometry 160x160+1000+60 &
  pids+=($!)
  sleep 0.5
  xdotool mousemove --window "$icon" 8 8 click 3
  sleep 0.8
  xdotool key Down Down Down Down Return
  find_window 560 456
  click_control AutoProfile.ini FUNC_AUTO_PICK
  xdotool mousemove --sync 1080 140 sleep 0.3 click 1
  shot pick-clock 1
  click_control AutoProfile.ini CONTROL_CANCEL
  kill %xclock 2>/dev/null || true
  stop_program
done
# The automatic profiles dialog with its switch on, drawn by the program's
# own windows.
for lang in en ru; do
  "$build/tools/autoprofileshot/rt604autoprofileshot" --data "$build/bin" --out "$out" --language "$lang"
done
echo "Pictures in $out:"
ls "$out"/finish-*.png
