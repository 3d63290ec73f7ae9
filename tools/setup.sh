#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-translations-l10n libgl-dev
  libqt6svg6 qt6-qpa-plugins
  libcurl4-openssl-dev libsqlite3-dev sqlite3 ca-certificates openssl libquazip1-qt6-dev
  clang libclang-rt-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth dbus dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  python3 python3-pyftpdlib python3-aiosmtpd
  fonts-dejavu-core
  dpkg-dev fakeroot file lintian librsvg2-bin
  poppler-utils xdotool libreoffice-calc-nogui imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installo: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
