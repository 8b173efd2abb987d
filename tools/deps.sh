#!/usr/bin/env bash
# Installs the Debian packages Vantrel builds and runs with, only those that are missing,
# so a second call is quiet and fast. fonts-liberation2 has the metrics of the Windows fonts
# movies name (Times New Roman, Arial, Courier New); DejaVu those of Bitstream Vera.
set -euo pipefail
pkgs=(g++ cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev
      qt6-qpa-plugins qt6-translations-l10n libmpg123-dev libavcodec-dev libavutil-dev libswscale-dev
      zlib1g-dev liblzma-dev libfreetype-dev libfontconfig-dev fonts-noto-cjk fonts-liberation2 fonts-dejavu-core)
[ "${VANTREL_EXTRA_PACKAGES:-}" ] && pkgs+=(${VANTREL_EXTRA_PACKAGES})
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
