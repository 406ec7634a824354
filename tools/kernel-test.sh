#!/usr/bin/env bash
# Runs the tests that need a real kernel: the keyboard is plugged in through
# /dev/uhid (rt604-uhid-keyboard) and the program reaches it through hidraw
# and hidapi, inside a small VM booted under QEMU. Nothing touches the host's
# kernel: Debian's kernel package is downloaded (never installed) and cached
# under the build folder, with an initramfs made afresh from busybox, the
# three HID modules, the programs and the libraries they need.
#
#   tools/kernel-test.sh [--build-dir DIR] [--no-build] [--timeout SECONDS]
#                        [--filter GTEST_FILTER] [--no-bench]
#
# Prints the guests' output, the boot time, the run time and the Apply figure
# (from a second VM, see below), and ends with "N passed, M failed"; the exit
# status is 0 only when every test passed and the VMs finished in time.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$source_dir/build
build=1
timeout_s=480
filter='*'
bench_run=1
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    --timeout) timeout_s=$2; shift 2 ;;
    --filter) filter=$2; shift 2 ;;
    --no-bench) bench_run=0; shift ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "kernel-test: unknown argument $1" >&2; exit 2 ;;
  esac
done
build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
work=$build_dir/kernel-test
bin=$build_dir/bin
mkdir -p "$work"

fail() {
  echo "kernel-test: $*" >&2
  echo "0 passed, 1 failed"
  exit 1
}

for tool in qemu-system-x86_64 busybox cpio modinfo dpkg-deb apt-get gzip xz objcopy readelf; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it with RT604_WITH_KERNEL_TEST=1)"
done

# ---- the programs ----
programs=(rt604ctl rt604-uhid-keyboard test_kernel)
# The window where the Qt user interface is built, the benchmark where the
# benchmarks are.
optional=(rt604 bench_ApplyFullMacroMemory)
if [ "$build" = 1 ]; then
  [ -f "$build_dir/build.ninja" ] || cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  targets=("${programs[@]}")
  for p in "${optional[@]}"; do
    grep -q "^build bin/$p:" "$build_dir/build.ninja" && targets+=("$p")
  done
  nice cmake --build "$build_dir" -j2 --target "${targets[@]}"
fi
for p in "${programs[@]}"; do
  [ -x "$bin/$p" ] || fail "$bin/$p is not built"
done

# ---- the kernel, downloaded once per build folder ----
kernel=$work/kernel
if [ ! -f "$kernel/ready" ]; then
  deb=$(ls "$work"/linux-image-*.deb 2>/dev/null | head -n1 || true)
  if [ -z "$deb" ]; then
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1)
    if [ -z "$package" ]; then
      apt-get update -qq || true
      package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -n1)
    fi
    [ -n "$package" ] || fail "apt knows no kernel behind linux-image-amd64"
    echo "kernel-test: downloading $package"
    download=$(mktemp -d "$work/download.XXXXXX")
    # apt fetches as its own user, who cannot write into a root's folder.
    apt_options=()
    [ "$(id -u)" -eq 0 ] && apt_options=(-o APT::Sandbox::User=root)
    if ! (cd "$download" && apt-get download -q "${apt_options[@]}" "$package" >/dev/null); then
      apt-get update -qq || true
      (cd "$download" && apt-get download -q "${apt_options[@]}" "$package" >/dev/null) || fail "cannot download $package"
    fi
    mv "$download"/*.deb "$work/"
    rmdir "$download"
    deb=$(ls "$work"/linux-image-*.deb | head -n1)
  fi
  echo "kernel-test: unpacking $(basename "$deb")"
  rm -rf "$kernel"
  unpacked=$(mktemp -d "$work/unpack.XXXXXX")
  trap 'rm -rf "$unpacked"' EXIT
  dpkg-deb -x "$deb" "$unpacked"
  mkdir -p "$kernel/modules"
  cp "$unpacked"/boot/vmlinuz-* "$kernel/vmlinuz"
  # The kernel proper, out of its self-extracting image: QEMU starts an ELF
  # kernel with a PVH entry point directly, which spares the firmware and the
  # decompression most of an emulated boot. Without one, the image boots.
  for magic in $'\xfd7zXZ' $'\x28\xb5\x2f\xfd' $'\x1f\x8b\x08'; do
    for at in $(LC_ALL=C grep -abo "$magic" "$kernel/vmlinuz" | cut -d: -f1 | head -n3); do
      tail -c +$((at + 1)) "$kernel/vmlinuz" | { xz -dcq 2>/dev/null || zstd -dcq 2>/dev/null || gzip -dcq 2>/dev/null; } \
        > "$kernel/vmlinux" || true
      if [ "$(head -c4 "$kernel/vmlinux" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] &&
         readelf -n "$kernel/vmlinux" 2>/dev/null | grep -q 'Xen.*(0x00000012)'; then
        break 2
      fi
      rm -f "$kernel/vmlinux"
    done
  done
  # The modules with what they depend on, in load order; decompressed here
  # because busybox's insmod may not read .ko.xz or .ko.zst.
  order=()
  add_module() {
    local name=$1 file dep
    for m in "${order[@]}"; do [ "$m" = "$name" ] && return 0; done
    file=$(find "$unpacked"/lib/modules/*/kernel "$unpacked"/usr/lib/modules/*/kernel -regextype posix-extended \
             -regex ".*/$(echo "$name" | sed 's/[-_]/[-_]/g')\.ko(\.xz|\.zst|\.gz)?" 2>/dev/null | head -n1 || true)
    [ -n "$file" ] || fail "the kernel package has no module $name"
    for dep in $(modinfo -F depends "$file" | tr ',' ' '); do
      add_module "$dep"
    done
    case $file in
      *.xz) xz -dc "$file" ;;
      *.zst) zstd -dcq "$file" ;;
      *.gz) gzip -dc "$file" ;;
      *) cat "$file" ;;
    esac > "$kernel/modules/$name.ko"
    order+=("$name")
  }
  for m in hid hid-generic uhid; do add_module "$m"; done
  printf '%s\n' "${order[@]}" > "$kernel/modules.order"
  rm -rf "$unpacked"
  trap - EXIT
  touch "$kernel/ready"
fi

# ---- the initramfs, in a folder of this run's own ----
run=$(mktemp -d "$work/run.XXXXXX")
trap 'rm -rf "$run"' EXIT
rootfs=$run/rootfs
mkdir -p "$rootfs"/{bin,dev,proc,sys,tmp,etc,lib/modules} "$rootfs$bin"
cp "$(command -v busybox)" "$rootfs/bin/busybox"
cp "$kernel"/modules/*.ko "$kernel/modules.order" "$rootfs/lib/modules/"
guest_programs=()
for p in "${programs[@]}" "${optional[@]}"; do
  if [ -x "$bin/$p" ]; then
    # Without their debugging data the programs are a fraction of the size,
    # and the guest unpacks its initramfs in emulation.
    objcopy --strip-debug "$bin/$p" "$rootfs$bin/$p"
    guest_programs+=("$bin/$p")
  fi
done
# What the programs read beside themselves: the language files, and the
# window's skins and help.
cp "$bin"/*.ini "$rootfs$bin/"
if [ -x "$bin/rt604" ]; then
  for data in Skins Help Package README.txt; do
    [ -e "$bin/$data" ] && cp -r "$bin/$data" "$rootfs$bin/"
  done
  # The window runs offscreen, which needs its platform plugin where Qt
  # looks for it, the JPEG plugin for the skins, and a font for fontconfig
  # to find; no X server.
  plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || true)
  for plugin in platforms/libqoffscreen.so imageformats/libqjpeg.so; do
    [ -f "$plugins/$plugin" ] || fail "Qt's plugin $plugin is missing (qtpaths6 says plugins are in '$plugins')"
    mkdir -p "$rootfs$plugins/$(dirname "$plugin")"
    cp -L "$plugins/$plugin" "$rootfs$plugins/$plugin"
    guest_programs+=("$plugins/$plugin")
  done
  font=$(fc-match -f '%{file}' sans-serif 2>/dev/null || true)
  if [ -f "$font" ] && [ -d /etc/fonts ]; then
    mkdir -p "$rootfs$(dirname "$font")"
    cp -L "$font" "$rootfs$font"
    cp -rL /etc/fonts "$rootfs/etc/" 2>/dev/null || true
  else
    echo "kernel-test: no font for the window (fc-match found none); its texts are left unmeasured"
  fi
fi
# The programs live at the build folder's own path in the guest, so the
# folders compiled into the tests hold there too; their libraries are
# copied from wherever ldd finds them.
for lib in $(for p in "${guest_programs[@]}"; do ldd "$p" | grep -o '/[^ ]*'; done | sort -u); do
  mkdir -p "$rootfs$(dirname "$lib")"
  cp -L "$lib" "$rootfs$lib"
done
cat > "$rootfs/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
# /tmp stays the initramfs's own folder, writable already: a tmpfs over it
# would hide a build folder under /tmp, where the programs are.
echo "kernel-test: booted at \$(cut -d' ' -f1 /proc/uptime) s"
for m in \$(cat /lib/modules/modules.order); do
  insmod /lib/modules/\$m.ko || echo "kernel-test: cannot load \$m"
done
export HOME=/tmp TMPDIR=/tmp LANG=C
cd /tmp
case " \$(cat /proc/cmdline) " in
  *" rt604.bench "*)
    $bin/bench_ApplyFullMacroMemory --benchmark_color=false
    echo "kernel-test: benchmark ended with \$?" ;;
  *)
    $bin/test_kernel --gtest_color=no '--gtest_filter=$filter'
    echo "kernel-test: tests ended with \$?" ;;
esac
echo "kernel-test: done at \$(cut -d' ' -f1 /proc/uptime) s"
poweroff -f
EOF
chmod 755 "$rootfs/init"
(cd "$rootfs" && find . | cpio -o -H newc --quiet) | gzip -1 > "$run/initramfs.gz"
initramfs_size=$(du -m "$run/initramfs.gz" | cut -f1)
rm -rf "$rootfs"

# ---- the VMs ----
boot_image=$kernel/vmlinuz
[ -f "$kernel/vmlinux" ] && boot_image=$kernel/vmlinux

# run_vm LOG [QEMU OPTIONS] [-- KERNEL ARGUMENTS]: boots the guest, shows and
# logs its console; sets vm_status, vm_seconds and vm_boot_seconds.
run_vm() {
  local log=$1 options=() append="console=ttyS0 panic=-1 edd=off quiet" start end
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  [ $# -gt 0 ] && append="$append $*"
  start=$(date +%s.%N)
  rm -f "$run/booted"
  : > "$log"
  set +e
  timeout -k 10 "$timeout_s" qemu-system-x86_64 -accel tcg -cpu max -m 512 -nographic -no-reboot -nic none \
    "${options[@]}" -kernel "$boot_image" -initrd "$run/initramfs.gz" -append "$append" </dev/null 2>&1 |
    while IFS= read -r line; do
      line=${line%$'\r'}
      printf '%s\n' "$line"
      printf '%s\n' "$line" >> "$log"
      case $line in *"kernel-test: booted"*) date +%s.%N > "$run/booted" ;; esac
    done
  vm_status=${PIPESTATUS[0]}
  set -e
  end=$(date +%s.%N)
  vm_seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", e - s }')
  vm_boot_seconds=""
  if [ -f "$run/booted" ]; then
    vm_boot_seconds=$(awk -v s="$start" -v b="$(cat "$run/booted")" 'BEGIN { printf "%.1f", b - s }')
  fi
}

passed=0
failed=0
# A VM that ran out of time or ended before its last line is one failure.
check_vm() {
  if [ "$vm_status" -eq 124 ] || [ "$vm_status" -eq 137 ]; then
    echo "kernel-test: the VM did not finish within $timeout_s s"
    failed=$((failed + 1))
  elif ! grep -q '^kernel-test: done' "$1"; then
    echo "kernel-test: the VM ended early (QEMU exit $vm_status)"
    failed=$((failed + 1))
  fi
}

log=$work/console.log
run_vm "$log"
tests_seconds=$vm_seconds
tests_boot=$vm_boot_seconds
check_vm "$log"
summary=$(grep -E '^kernel-tests: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n1 || true)
if [ -z "$summary" ]; then
  echo "kernel-test: the tests gave no result"
  failed=$((failed + 1))
else
  passed=$(echo "$summary" | sed -E 's/^kernel-tests: ([0-9]+) passed.*/\1/')
  tests_failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) failed.*/\1/')
  # A test program that crashed after its summary still failed.
  if [ "$tests_failed" -eq 0 ] && ! grep -q '^kernel-test: tests ended with 0$' "$log"; then
    tests_failed=1
  fi
  failed=$((failed + tests_failed))
fi

# The Apply benchmark runs in a VM of its own whose clock counts emulated
# instructions (one a nanosecond: a 1 GHz machine) and skips idle time. In
# the VM above every wait of the guest is stretched by whatever else the host
# runs; here the figure is the program's own. The same Apply on the virtual
# keyboard beside it shows what the path through the kernel adds.
bench_log=$work/console-bench.log
rm -f "$bench_log"
if [ "$bench_run" = 1 ] && [ -x "$bin/bench_ApplyFullMacroMemory" ]; then
  run_vm "$bench_log" -icount shift=0,sleep=off -- rt604.bench
  check_vm "$bench_log"
fi

counter() { # counter LOG BENCHMARK NAME: its value, with a k or M suffix worked out
  grep -E "^$2/" "$1" 2>/dev/null | tail -n1 | grep -o "$3=[0-9.eE+-]*[kM]*" | cut -d= -f2 |
    awk '{ v = $0; m = 1; if (v ~ /k$/) m = 1e3; if (v ~ /M$/) m = 1e6; sub(/[kM]$/, "", v); printf "%.1f", v * m }' || true
}

echo
echo "---- kernel test summary ----"
[ -n "$tests_boot" ] && echo "boot time: $tests_boot s (QEMU start to the guest's /init)"
echo "run time: $tests_seconds s (the test VM, boot included)"
echo "initramfs: $initramfs_size MB"
if [ -f "$bench_log" ]; then
  for name in BM_ApplyFullMacroMemoryThroughKernel BM_ApplyFullMacroMemoryThroughKernelWhileAnotherWaits \
              BM_ApplyFullMacroMemory; do
    case $name in
      *ThroughKernel) what="through the kernel" ;;
      *WhileAnotherWaits) what="through the kernel while rt604ctl waits for the keyboard" ;;
      *) what="on the virtual keyboard" ;;
    esac
    mean=$(counter "$bench_log" $name mean_ms)
    if [ -z "$mean" ]; then
      echo "kernel-test: no figure for the Apply $what"
      failed=$((failed + 1))
      continue
    fi
    echo "Apply of a full macro memory $what, 1 ms per report, on a 1 GHz emulated machine: $mean ms;" \
         "physical minimum $(counter "$bench_log" $name minimum_ms) ms;" \
         "$(counter "$bench_log" $name 'over_minimum_%') % over it"
    # A program waiting for the keyboard must not slow the one that holds it.
    if [ "$name" = BM_ApplyFullMacroMemoryThroughKernelWhileAnotherWaits ] &&
       ! awk -v p="$(counter "$bench_log" $name 'over_minimum_%')" 'BEGIN { exit !(p <= 3) }'; then
      echo "kernel-test: the Apply while another program waits is more than 1.03 times the physical minimum"
      failed=$((failed + 1))
    fi
  done
  if ! grep -q '^kernel-test: benchmark ended with 0$' "$bench_log" || grep -q 'ERROR OCCURRED' "$bench_log"; then
    echo "kernel-test: the Apply benchmark failed"
    failed=$((failed + 1))
  fi
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
