#!/usr/bin/env bash
# Installs what building and testing need, only what is missing, so a second
# run costs nothing. Needs root (or sudo) on Debian 12 when something is missing.
# Packages named as arguments are installed as well (scripts/fuzz.sh needs clang).
set -euo pipefail

packages=(cmake make g++ qtbase5-dev libqt5sql5-sqlite libgtest-dev diffutils sqlite3 coreutils libc-bin util-linux strace acl e2fsprogs "$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
