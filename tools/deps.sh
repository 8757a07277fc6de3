#!/usr/bin/env bash
# Installs the Debian packages Kalvinora needs to build, run and test.
# Quick when everything is already there: apt is only asked for what is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  nettle-dev zlib1g-dev libgcab-dev
  ghostscript
  libreoffice-writer-nogui libreoffice-dev libreoffice-dev-common
  gcab cabextract qpdf poppler-utils xdg-utils
  fonts-dejavu-core imagemagick
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
