#!/usr/bin/env bash
# Installs the Debian packages this project needs, skipping those already present.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libbenchmark-dev qt6-base-dev qt6-translations-l10n
          fonts-ipafont-gothic xvfb xauth imagemagick python3-ezdxf clang libclang-rt-14-dev
          llvm desktop-file-utils appstream dpkg-dev man-db file
          libcli11-dev nlohmann-json3-dev poppler-utils gettext libtomlplusplus-dev
          libacl1-dev lintian acl attr python3-matplotlib locales
          devscripts)  # for hardening-check: Debian 12 has no smaller package with it
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
