#!/usr/bin/env bash
# Installs every Debian package the project builds, runs or tests with.
# Quick when everything is present: it asks dpkg first and calls apt-get
# only for what is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-image-formats-plugins libgl-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev
  libgsf-1-dev libshp-dev libsane-dev
  wngerman wamerican hyphen-de hyphen-en-us
  libgtest-dev libgmock-dev libbenchmark-dev qpdf poppler-utils unrtf
  cups-daemon cups-client
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || true
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
