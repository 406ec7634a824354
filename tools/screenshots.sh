#!/usr/bin/env bash
# Renders every window of the default skin with the program's skin engine
# into screenshots/ (PNG), under a virtual X display.
#
#   tools/screenshots.sh [build folder]     (default: build)
#
# Needs xvfb-run; install it with RT604_WITH_XVFB=1 tools/install-deps.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$root/screenshots

command -v xvfb-run >/dev/null || {
  echo "xvfb-run is missing: RT604_WITH_XVFB=1 tools/install-deps.sh" >&2
  exit 1
}
ninja -C "$build" rt604skin rt604skinpreview >/dev/null
preview=$build/tools/skinpreview/rt604skinpreview
skin=$build/bin/Skins
mkdir -p "$out"

shots=()
shot() { # name layout options...
  local name=$1 layout=$2
  shift 2
  shots+=("$(printf '%q ' "$preview" --skin "$skin" --layout "$layout" --out "$out/$name.png" "$@")")
}

# Groups of the lighting panel that take turns in the same place.
main_hidden='CONTROL_(FY.*|HONGPIC|HUANGPIC|LVPIC|LANPIC|USER.*|umCombo|BLFX.*[23])'
user_hidden='CONTROL_(HX.*|FY.*|HONGPIC|HUANGPIC|LVPIC|LANPIC|BLFX.*)'
pick_hidden='CONTROL_(HX.*|FY.*|USER.*|umCombo|BLFX.*[23])'
off_hidden='CONTROL_(HX.*|FY.*|HONGPIC|HUANGPIC|LVPIC|LANPIC|USER.*|umCombo|BLFX.*|XGcombox|Light.*|Speed.*)'
# Controls of the key editor's other tabs.
key_tab='(TISHI_SINGLE_STATIC|FUNC_KEY_.*)'
macro_tab='(MARCO_NAME_SETTING|FUNC_MACRO_.*)'
media_tab='(MEDIA_SETTING_TISHI|FUNC_MEDIA_SELECT)'
function_tab='(FUNCTION_KEY_SETTING_TISHI|FUNC_FUNCTION_SELECT)'

shot main Main.ini --hide "$main_hidden"
shot main-lighting-off Main.ini --hide "$off_hidden"
shot main-flipped Main.ini --hide "$main_hidden" --flip 1
shot main-user-colours Main.ini --hide "$user_hidden" --colour-view
shot main-four-colours Main.ini --hide "$pick_hidden"
shot main-hover Main.ini --hide "$main_hidden" --force KEY_011=over --force FUNC_PROFILE2=over \
  --force CONTROL_OK=over --force FUNC_REPORT2=over --force CONTROL_CLOSE=over --force FUNC_PROFILES=over
shot main-pressed Main.ini --hide "$main_hidden" --force KEY_01E=down --force FUNC_G3=down \
  --force CONTROL_CANCEL=down --force FUNC_MACRO=down --force CONTROL_HELP=down
shot main-disabled Main.ini --hide "$main_hidden" --force KEY_01F=disabled --force CONTROL2_APPLY=disabled \
  --force FUNC_PROFILE3=disabled --force FUNC_DEFAULT=disabled
shot main-all-over Main.ini --hide "$main_hidden" --all over
shot main-all-down Main.ini --hide "$main_hidden" --all down
shot composite-key Composite.ini --set key --hide "$macro_tab" --hide "$media_tab" --hide "$function_tab" \
  --force CONTROL_OK=over
shot composite-macro Composite.ini --set macro --hide "$key_tab" --hide "$media_tab" --hide "$function_tab" \
  --force FUNC_MACRO_RECORD=over --force FUNC_MACRO_UP=down
shot composite-macro-only Composite.ini --set macro2 --hide "$key_tab" --hide "$media_tab" --hide "$function_tab"
shot composite-media Composite.ini --set media --hide "$key_tab" --hide "$macro_tab" --hide "$function_tab"
shot composite-function Composite.ini --set function --hide "$key_tab" --hide "$macro_tab" --hide "$media_tab"
shot profile Profile.ini --force FUNC_LOAD=over --force CONTROL2_APPLY=disabled
shot profile-pressed Profile.ini --force FUNC_ADD=down --force CONTROL_OK=down
shot update UpdateDlg.ini --force CONTROL_UPButton=over --force CONTROL_CLOSE=over

# One X server for all of them.
script=$(mktemp)
trap 'rm -f "$script"' EXIT
printf '%s\n' "set -e" "${shots[@]}" >"$script"
xvfb-run -a -s "-screen 0 1600x1000x24" bash "$script"
echo "Screenshots in $out:"
ls "$out"

# The real main window against the virtual keyboard: the factory keyboard,
# a profile with assigned keys and one key's tooltip, the Russian texts, the
# busy picture of an Apply, and the lighting view with three effects (the
# column wave, the sweep and keys painted by hand) in both languages, and the
# note about a change another program made under unapplied changes.
ninja -C "$build" rt604mainshot >/dev/null
mainshot=$build/tools/mainshot/rt604mainshot
main_script=$(mktemp)
trap 'rm -f "$script" "$main_script"' EXIT
for scene in default assigned russian busy lighting-1 lighting-14 lighting-20 lighting-1-ru lighting-14-ru \
  lighting-20-ru lighting-20-ru-chooser outside-change outside-change-ru; do
  printf '%q ' "$mainshot" --data "$build/bin" --out "$out/window-$scene.png" --scene "$scene" >>"$main_script"
  printf '\n' >>"$main_script"
done
xvfb-run -a -s "-screen 0 1600x1000x24" bash -e "$main_script"
echo "Main window pictures:"
ls "$out"/window-*.png

# The real key function editor over the main window: every tab, the mouse
# choice, the macro button's macro-only editor and a recording, in English
# and in Russian; and the macro tab's memory gauge in its three states (the
# macros fit, fit only without names, do not fit).
ninja -C "$build" rt604editorshot >/dev/null
editorshot=$build/tools/editorshot/rt604editorshot
editor_script=$(mktemp)
trap 'rm -f "$script" "$main_script" "$editor_script" "$dialog_script"' EXIT
for lang in en ru; do
  for tab in key mouse macro media function macro-only recording; do
    printf '%q ' "$editorshot" --data "$build/bin" --out "$out/editor-$tab-$lang.png" --tab "$tab" --lang "$lang" \
      >>"$editor_script"
    printf '\n' >>"$editor_script"
  done
  for memory in fits names full; do
    printf '%q ' "$editorshot" --data "$build/bin" --out "$out/editor-memory-$memory-$lang.png" --memory "$memory" \
      --lang "$lang" >>"$editor_script"
    printf '\n' >>"$editor_script"
  done
done
xvfb-run -a -s "-screen 0 1600x1000x24" bash -e "$editor_script"
echo "Key editor pictures:"
ls "$out"/editor-*.png

# The profile manager and the firmware update window over the real main
# window, in English and in Russian.
ninja -C "$build" rt604dialogshot >/dev/null
dialogshot=$build/tools/dialogshot/rt604dialogshot
dialog_script=$(mktemp)
trap 'rm -f "$script" "$main_script" "$editor_script" "$dialog_script"' EXIT
for scene in profiles update; do
  for language in 0 1; do
    name=$scene; [ "$language" = 1 ] && name=$scene-russian
    printf '%q ' "$dialogshot" --data "$build/bin" --out "$out/window-$name.png" --scene "$scene" \
      --language "$language" >>"$dialog_script"
    printf '\n' >>"$dialog_script"
  done
done
xvfb-run -a -s "-screen 0 1600x1000x24" bash -e "$dialog_script"
echo "Dialog pictures:"
ls "$out"/window-profiles*.png "$out"/window-update*.png

# The tray menu with the keyboard's profiles and the automatic profiles
# dialog, in English and Russian.
ninja -C "$build" rt604autoprofileshot >/dev/null
autoshot=$build/tools/autoprofileshot/rt604autoprofileshot
for language in en ru; do
  xvfb-run -a -s "-screen 0 1280x900x24" "$autoshot" --data "$build/bin" --out "$out" --language "$language"
done
echo "Automatic profile pictures:"
ls "$out"/autoprofile-*.png

# The windows' finish on a desktop with a window manager and a notification
# area, in English and Russian: drop-down lists, the key cell's list,
# captions, message boxes, the file dialog, tooltips, the automatic profiles
# dialog's tick and pick note.
"$root/tools/finish-screenshots.sh" "$build"
