#!/usr/bin/env bash
# Installs the Debian 12 packages VELTA needs to build and run; with --tests also what the tests
# start privately (a Firebird server, a CUPS scheduler with cups-pdf), which a user running the
# program does not need on their machine. Quick when all are there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n
  firebird-dev libfbclient2 firebird3.0-server-core
  libharfbuzz-dev libxlsxwriter-dev libcairo2-dev libfontconfig-dev libfreetype-dev libicu-dev
  zlib1g-dev
  fonts-ipaexfont fonts-ipafont-mincho fonts-ipafont-gothic fonts-noto-cjk fonts-noto-cjk-extra fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  xvfb xauth xdg-utils unzip poppler-utils
  libcups2-dev
  libmecab-dev mecab-ipadic-utf8
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(firebird3.0-server firebird3.0-utils cups cups-client cups-bsd printer-driver-cups-pdf
    dbus fcitx5 fcitx5-mozc fcitx5-frontend-qt6 xdotool)
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
# Only the installation runs as root: through sudo for a normal user.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
echo "Installing: ${missing[*]}"
as_root env DEBIAN_FRONTEND=noninteractive apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
