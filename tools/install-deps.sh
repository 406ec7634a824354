#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# and only those that are missing; apt-get update runs only when something
# must be installed. Run as root or through sudo.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-qpa-plugins
  libhidapi-dev
  libudev-dev  # the device threads sleep until a hidraw node comes or goes
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-core
  dpkg-dev file appstream groff-base
  clang libclang-rt-dev llvm # the sanitizer pass and libFuzzer (tools/sanitize.sh)
  # X11: the key editor's keyboard grab and the active-window watcher of
  # automatic profiles, and their tests with a real X server (and real key
  # presses).
  libxcb1-dev libxcb-xtest0-dev xvfb xauth xdotool
  xdg-utils  # xdg-mime, xdg-open: updaters that are not programs open with the desktop's handler
  qt6-translations-l10n  # Qt's own texts (standard buttons, file dialogs) in Russian
  # The notification-area icon and the window on a desktop of the tests' own:
  # an XEmbed tray, a StatusNotifierItem panel on a private session bus, and
  # a window manager.
  trayer haskell-gtk-sni-tray-utils dbus-daemon dbus-bin openbox
  x11-apps  # xclock: a window that takes no focus, for the automatic profiles' pick (tools/finish-screenshots.sh)
)
if [ "${RT604_WITH_XVFB:-0}" = 1 ]; then
  packages+=(xvfb xauth)
fi
# The VM of tools/kernel-test.sh: the emulator, the guest's shell, the
# initramfs packer, what reads and unpacks the kernel's modules, and
# fc-match to find the font the window takes into the VM.
if [ "${RT604_WITH_KERNEL_TEST:-0}" = 1 ]; then
  packages+=(qemu-system-x86 busybox-static cpio kmod xz-utils zstd fontconfig)
fi
# tools/wayland-screenshots.sh: a headless Wayland compositor, its screen
# grabber and key presses through the compositor's virtual keyboard.
if [ "${RT604_WITH_WAYLAND:-0}" = 1 ]; then
  packages+=(sway grim wtype qt6-wayland)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}) and no sudo: install them as root." >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
