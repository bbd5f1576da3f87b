#!/usr/bin/env bash
# Installs, on Debian 12, the packages that building and testing gridswap need and that are missing.
set -euo pipefail
needed=(g++ make cmake libboost-dev libgtest-dev googletest libcli11-dev libcadical-dev "$@")
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
