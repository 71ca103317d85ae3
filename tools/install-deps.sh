#!/usr/bin/env bash
# Installs every package the build, the tests and the benchmarks need on Debian 12.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "install-deps: run as root (apt-get)" >&2; exit 1; fi; }

# The :i386 libraries and g++-multilib serve the host32 preset (the stub built
# for i686 with the Win32 flags) and the benchmark's 32-bit rows; libdeflate is
# a benchmark peer only.
packages=(cmake make g++ g++-multilib ninja-build googletest libgtest-dev libbenchmark-dev
          libbenchmark-dev:i386 zlib1g-dev zlib1g-dev:i386 libdeflate-dev libdeflate-dev:i386
          clang libclang-rt-14-dev g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 wine64 xvfb x11-apps
          imagemagick nlohmann-json3-dev libarchive-tools p7zip-full osslsigncode python3 time)

missing=()
have_i386=$(dpkg --print-foreign-architectures | grep -c '^i386$' || true)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ] || [ "$have_i386" -eq 0 ]; then
  need_root
  export DEBIAN_FRONTEND=noninteractive
  [ "$have_i386" -eq 0 ] && dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's 32-bit loader is an i386 Linux program. Kernels without i386 support
# run it through qemu-user, whose bookworm build (7.2) is too old for Wine;
# the backports build works.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  need_root
  if ! command -v qemu-i386 >/dev/null 2>&1 || ! qemu-i386 --version | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' | awk '$2=="bookworm"{print $1; exit}')
    echo "deb $uri bookworm-backports main" >/etc/apt/sources.list.d/backports.list
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q -t bookworm-backports qemu-user
  fi
  mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP' >/proc/sys/fs/binfmt_misc/register
  /usr/lib/wine/wine --version >/dev/null
fi
echo "install-deps: all dependencies present"
