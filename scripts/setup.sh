#!/usr/bin/env bash
# Installs what the build needs (Debian packages), when something is missing.
# Used by the two quick-start commands and by CI. Arguments name further
# packages a script needs besides (scripts/docs: doxygen; scripts/fuzz:
# clang-14 libclang-rt-14-dev).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev liblcms2-dev libsqlite3-dev libpq-dev libcli11-dev nlohmann-json3-dev
  libbenchmark-dev libgtest-dev libgmock-dev fonts-dejavu-core poppler-utils
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
