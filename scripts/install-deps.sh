#!/usr/bin/env bash
# Installs what building and testing KEL needs, when it is missing (Debian 12, as root).
set -euo pipefail
# The spreadsheet export and import: libxlsxwriter writes XLSX, libzip and expat
# read it, libcsv reads CSV; LibreOffice Calc (headless) is the tests' real
# spreadsheet program.
pkgs=(build-essential cmake pkg-config qt6-base-dev libgtest-dev python3-ezdxf
      libxlsxwriter-dev libzip-dev libexpat1-dev libcsv-dev libreoffice-calc-nogui)
missing=()
for p in "${pkgs[@]}" "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
