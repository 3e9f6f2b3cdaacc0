#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the wizard need.
# Returns at once when everything is present (one dpkg-query call); apt-get
# update runs only when something is missing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build ccache pkg-config git
  clang lld libclang-rt-dev
  libjpeg62-turbo-dev zlib1g-dev libpng-dev libopenjp2-7-dev
  libfreetype-dev libfontconfig-dev
  libx11-dev libxext-dev libxfixes-dev libxtst-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-zenhei fonts-liberation fonts-dejavu-core
  xvfb x11-utils xauth xdg-utils
  openbox xcompmgr xfwm4 dbus-daemon
  qpdf
)

# One dpkg-query for all: it lists the packages it knows with their state
# ("ii" is installed); one it has never heard of is only named on stderr.
declare -A installed=()
while read -r name state; do
  [ "$state" = "ii" ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null || true)

missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]-}" ] || missing+=("$p")
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
