#!/usr/bin/env bash
# Installs every package the build, the tests and the benchmarks need on Debian 12.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "install-deps: run as root (apt-get)" >&2; exit 1; fi; }

# The :i386 libraries and g++-multilib serve the host32 preset (the stub built
# for i686 with the Win32 flags, sfxbind beside it) and the benchmark's 32-bit
# rows; libdeflate and liblzma are sfxbind's encoders and benchmark peers (liblzma
# also the LZMA fuzz target's reference),
# libbz2 and libzstd (with liblzma) decode what sfxbind --recompress takes in,
# the zstd program writes its test archives.
packages=(cmake make g++ g++-multilib ninja-build googletest libgtest-dev libbenchmark-dev
          libbenchmark-dev:i386 zlib1g-dev zlib1g-dev:i386 libdeflate-dev libdeflate-dev:i386
          liblzma-dev liblzma-dev:i386 libbz2-dev libbz2-dev:i386 libzstd-dev libzstd-dev:i386 zstd
          clang libclang-rt-14-dev g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 wine64 xvfb x11-apps
          imagemagick nlohmann-json3-dev libarchive-tools p7zip-full osslsigncode wixl python3 time)

# A mirror caught mid-sync fails an index download now and then: try again,
# and go on with the indexes that did come (the install says if one is missing).
apt_update() {
  for attempt in 1 2 3; do
    apt-get update -q && return 0
    echo "install-deps: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
  done
  return 0
}

# Fallback for a stale i386 index. A mirror caught mid-sync can leave apt
# without one index (seen: bookworm-security i386) while the amd64 one is
# fresh. Multi-Arch: same packages must have one version on amd64 and i386, and
# apt moves such twins to the amd64 candidate; when the i386 index lacks that
# version, apt gives up with "held broken packages". The pool still has the
# i386 .deb beside the amd64 one: fetch it and hand it to apt with the rest.

# For each Multi-Arch: same package that installing "$@" may pull in for i386,
# whose amd64 twin is installed or about to be, and whose amd64 candidate
# version no i386 index has: prints one line of i386 .deb URLs to try in turn,
# the candidate's build first, then that of the installed twin's version.
i386_twin_urls() {
  local native p v url twin ok
  native=$(dpkg --print-architecture)
  local -A wanted=() have=() inst=() cand=() vers=()
  local closure=() same=() specs=()
  # Every package the install could pull in, of either architecture.
  mapfile -t closure < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "$@" 2>/dev/null | grep -v '^[ <]' | sort -u)
  for p in "${closure[@]}"; do wanted[$p]=1; done
  mapfile -t same < <(printf '%s\n' "${closure[@]}" | grep ':i386$' | xargs -r apt-cache show --no-all-versions 2>/dev/null |
    awk '/^Package:/{p=$2} /^Multi-Arch: same/{print p}' | sort -u)
  [ "${#same[@]}" -gt 0 ] || return 0
  # Versions the i386 indexes have ("pkg:i386" -> " v1  v2 "), installed versions, amd64 candidates.
  while read -r p v; do have[$p]+=" $v "; done < <(apt-cache madison "${same[@]/%/:i386}" 2>/dev/null |
    awk -F'|' '{gsub(/ /,"",$1); gsub(/ /,"",$2); print $1, $2}')
  while read -r p ok v; do [ "$ok" = ii ] && inst[$p]=$v; done < <(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev} ${Version}\n')
  while read -r p v; do cand[$p]=$v; done < <(apt-cache show --no-all-versions "${same[@]/%/:$native}" 2>/dev/null |
    awk '/^Package:/{p=$2} /^Version:/{print p, $2}')
  for p in "${same[@]}"; do
    twin=${inst[$p:$native]:-}
    ok=" ${have[$p:i386]:-} ${inst[$p:i386]:-} "
    # A twin neither installed nor to be installed does not constrain the i386 package.
    [ -n "$twin${wanted[$p]:-}" ] && [ -n "${cand[$p]:-}" ] || continue
    # An i386 index has the candidate's version: apt copes on its own.
    [[ $ok == *" ${cand[$p]} "* ]] && continue
    specs+=("$p:$native=${cand[$p]}")
    vers[$p]="${cand[$p]} $twin"
  done
  [ "${#specs[@]}" -gt 0 ] || return 0
  # apt prints the candidate's URL from its own sources; that pool folder holds
  # the source's builds for every architecture.
  apt-get download --print-uris "${specs[@]}" | while read -r url _; do
    url=${url//\'/}
    p=${url##*/}
    p=${p%%_*}
    for v in ${vers[$p]}; do printf '%s/%s_%s_i386.deb ' "${url%/*}" "$p" "${v#*:}"; done
    echo
  done
}

# Installs "$@" together with the i386 .debs above. A few rounds, in case one
# install changes what the next needs; a .deb the pool lacks is left to apt.
install_with_i386_twins() {
  local round line url prev="" debs=() names=()
  debdir=$(mktemp -d)
  chmod 755 "$debdir" # readable by apt's sandbox user
  trap 'rm -rf "$debdir"' EXIT
  for round in 1 2 3; do
    line=$(i386_twin_urls "$@")
    [ -n "$line" ] && [ "$line" != "$prev" ] || return 1
    prev=$line
    echo "install-deps: apt failed; round $round: adding i386 .debs that match their amd64 twins" >&2
    debs=()
    while read -r line; do
      for url in $line; do
        if [ -s "$debdir/${url##*/}" ] || /usr/lib/apt/apt-helper download-file "$url" "$debdir/${url##*/}" >/dev/null 2>&1; then
          debs+=("$debdir/${url##*/}")
          break
        fi
        rm -f "$debdir/${url##*/}"
      done
    done <<<"$prev"
    if apt-get install -y -q --no-install-recommends "${debs[@]}" "$@"; then
      # Installing a file marks it manual; these are only dependencies.
      mapfile -t names < <(for url in "${debs[@]}"; do dpkg-deb -f "$url" Package; done | sed 's/$/:i386/' |
        grep -vxF -f <(printf '%s\n' "$@") || true)
      [ "${#names[@]}" -eq 0 ] || apt-mark auto "${names[@]}" >/dev/null
      return 0
    fi
  done
  return 1
}

missing=()
have_i386=$(dpkg --print-foreign-architectures | grep -c '^i386$' || true)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ] || [ "$have_i386" -eq 0 ]; then
  need_root
  export DEBIAN_FRONTEND=noninteractive
  [ "$have_i386" -eq 0 ] && dpkg --add-architecture i386
  apt_update
  apt-get install -y -q --no-install-recommends "${missing[@]}" || install_with_i386_twins "${missing[@]}"
fi

# Wine's 32-bit loader is an i386 Linux program. Kernels without i386 support
# run it through qemu-user, whose bookworm build (7.2) is too old for Wine;
# the backports build works.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  need_root
  if ! command -v qemu-i386 >/dev/null 2>&1 || ! qemu-i386 --version | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' | awk '$2=="bookworm"{print $1; exit}')
    echo "deb $uri bookworm-backports main" >/etc/apt/sources.list.d/backports.list
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q -t bookworm-backports qemu-user
  fi
  mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP' >/proc/sys/fs/binfmt_misc/register
  /usr/lib/wine/wine --version >/dev/null
fi
echo "install-deps: all dependencies present"
