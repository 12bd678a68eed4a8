#!/usr/bin/env bash
# Installs what building and testing KEL needs, when it is missing (Debian 12, as root).
set -euo pipefail
pkgs=(build-essential cmake qt6-base-dev libgtest-dev python3-ezdxf)
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
