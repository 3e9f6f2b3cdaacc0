#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the wizard need.
# Returns at once when everything is present; apt-get update runs only when
# something is missing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build ccache pkg-config git
  clang libclang-rt-dev
  libjpeg62-turbo-dev zlib1g-dev libpng-dev libopenjp2-7-dev
  libfreetype-dev libfontconfig-dev
  libx11-dev libxext-dev libxfixes-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-zenhei fonts-liberation fonts-dejavu-core
  xvfb x11-utils xauth
  openbox xcompmgr
)

missing=()
while read -r name status; do
  [ "$status" = "install ok installed" ] || missing+=("$name")
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)

# dpkg-query prints nothing for packages it has never heard of.
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || \
    { [[ " ${missing[*]-} " == *" $p "* ]] || missing+=("$p"); }
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
