#!/usr/bin/env bash
# Installs what building, running and testing Sarvello needs on Debian 12 — only what is missing,
# so a machine that has everything is left alone. Needs root when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libpng-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick
  procps util-linux
  python3-pytest python3-pil python3-pytest-xdist python3-pytest-timeout python3-psutil python3-filelock
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run this script as root to install them" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
# wine32 is an i386 package: the 32-bit Wine that runs the product as the 32-bit program it is.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync answers some index files with the wrong size; a later try
# usually gets them, and an index that still fails is only a problem if a package needs it.
for attempt in 1 2 3; do
  apt-get update -q && break
  echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
  sleep $((attempt * 10))
done
if ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  # When one architecture's security index could not be fetched, the i386 and amd64 halves of a
  # shared library can be offered at different versions and cannot be installed together. The
  # release's own suite has both at the same version: prefer it for what is installed now.
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "setup: retrying with the versions of $codename itself" >&2
  apt-get install -y -q --no-install-recommends -t "$codename" "${missing[@]}"
fi
