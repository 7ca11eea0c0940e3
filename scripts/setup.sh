#!/usr/bin/env bash
# Installs what building and testing Tessary needs on Debian 12, and nothing that is
# already there. Safe to run again.
set -euo pipefail

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(cmake ninja-build g++ mingw-w64 g++-mingw-w64-i686-posix wine wine64 wine32:i386 xvfb
          googletest python3 python3-pil imagemagick fonts-dejavu-core fonts-wine zip unzip
          osslsigncode openssl libengine-pkcs11-openssl softhsm2 opensc clang-14 lld-14)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root apt-get update -q >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# Tessary.exe is 32-bit, and so is the Wine that runs it. Some kernels cannot run 32-bit
# code at all; there the 32-bit Wine runs under qemu's user-mode emulation instead.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  dpkg -s qemu-user-static >/dev/null 2>&1 || {
    echo "setup: this kernel runs no 32-bit code; installing qemu-user-static"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user-static >/dev/null
  }
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    # Any i386 ELF executable or shared object, run by the static qemu (F: opened now,
    # so it also works inside other mount namespaces).
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:OCF" | as_root tee "$binfmt/register" >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "setup: 32-bit Wine cannot run here" >&2; exit 1; }
fi
