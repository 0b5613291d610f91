#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (run as root).
# Quiet and quick when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# fonts-wine: Wine draws window frames (the close box) and dialogs with it.
# clang and libclang-rt-14-dev: the fuzz build (libFuzzer and the sanitizers).
# ninja-build and ccache: the builds, and compiles done before looked up.
pkgs=(cmake make ninja-build ccache g++ g++-mingw-w64-i686 wine wine32:i386 xvfb
      xauth x11-apps googletest libssl-dev openssl python3 binutils-mingw-w64-i686
      imagemagick fonts-wine curl time clang libclang-rt-14-dev)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${need[*]} (run 'make deps' as root)" >&2
  exit 1
fi
echo "installing: ${need[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
