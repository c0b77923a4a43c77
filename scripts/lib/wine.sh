# Wine helpers for scripts/run and scripts/test. Sourced after setup.sh.
#
# Mavrion is a 32-bit program, so Wine's 32-bit loader (wine32:i386) must run.
# Some virtual machines run 64-bit user code only (their kernel answers
# "Exec format error" to every i386 program). There the i386 programs run
# under QEMU's user-mode emulator, registered with the kernel's binfmt_misc.
# Bookworm's QEMU 7.2 lacks MAP_FIXED_NOREPLACE, which makes every Wine
# process spend about a minute reserving its address space, so the emulator
# comes from bookworm-backports (QEMU 10).

I386_BINFMT=/proc/sys/fs/binfmt_misc
I386_QEMU=/usr/bin/qemu-i386
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

i386_runs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

install_i386_emulator() {
  [ -x "$I386_QEMU" ] && "$I386_QEMU" --version 2>/dev/null | grep -q 'version \(9\.[1-9]\|[1-9][0-9]\)' && return 0
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    list=/etc/apt/sources.list.d/bookworm-backports.list
    if ! grep -qs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/*; then
      echo "deb http://deb.debian.org/debian bookworm-backports main" | as_root tee "$list" >/dev/null
    fi
    apt_update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      -t bookworm-backports qemu-user
  else
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user
  fi
}

register_i386_emulator() {
  [ -e "$I386_BINFMT/register" ] || as_root mount -t binfmt_misc binfmt_misc "$I386_BINFMT"
  entry="$I386_BINFMT/qemu-i386"
  if [ -e "$entry" ]; then
    if grep -qx enabled "$entry" && grep -qx "interpreter $I386_QEMU" "$entry"; then
      return 0
    fi
    echo -1 | as_root tee "$entry" >/dev/null
  fi
  # F: the kernel opens the emulator once, so it also works for programs
  # started from other mount namespaces.
  printf ':qemu-i386:M::%s:%s:%s:F\n' "$I386_MAGIC" "$I386_MASK" "$I386_QEMU" \
    | as_root tee "$I386_BINFMT/register" >/dev/null
}

# Makes sure Wine's 32-bit loader runs, natively or emulated.
ensure_i386_runs() {
  i386_runs && return 0
  echo "This machine does not run 32-bit programs natively: using QEMU's user-mode emulator."
  install_i386_emulator
  register_i386_emulator
  if ! i386_runs; then
    echo "Wine's 32-bit loader still does not start." >&2
    return 1
  fi
}
