#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test the uninstaller:
# the mingw-w64 cross-compilers, CMake/Ninja, 64-bit Wine, Xvfb and a compositor, a CJK font,
# signing tools, the host 7-Zip, and the Debian sources of 7-Zip, cJSON and GoogleTest.
# Quick when everything is already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
third=${KORVEL_THIRD_PARTY:-$root/.third_party}

packages=(
  cmake ninja-build make dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth xcompmgr x11-utils imagemagick fonts-wqy-microhei
  osslsigncode openssl 7zip googletest python3
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

need_src=0
[ -d "$third/7zip" ] && [ -d "$third/cjson" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src -eq 1 ]; then
  # deb-src entries for the archive that is already configured
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      "${sudo_cmd[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    done
    if [ -f /etc/apt/sources.list ]; then
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | "${sudo_cmd[@]}" tee -a /etc/apt/sources.list >/dev/null || true
    fi
  fi
  "${sudo_cmd[@]}" apt-get update -qq
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

fetch_source() { # <source package> <target dir>
  local pkg=$1 dest=$2
  [ -d "$dest" ] && return 0
  local work
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq "$pkg" >/dev/null 2>&1)
  local dir
  dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$dir" ] || { echo "setup: apt-get source $pkg failed" >&2; exit 1; }
  mkdir -p "$(dirname "$dest")"
  mv "$dir" "$dest"
  rm -rf "$work"
}
fetch_source 7zip "$third/7zip"
fetch_source cjson "$third/cjson"
echo "setup: ready"
