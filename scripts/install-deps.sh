#!/usr/bin/env bash
# Installs with apt-get whatever building and testing need and is missing,
# and the packages named as arguments. Run as root on Debian; does nothing
# when everything is there.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev python3)
# uconv (ICU): the second reference the character-set tests compare with.
packages+=(icu-devtools)
# The Hadoop access library, and the local HDFS cluster its tests run against.
packages+=(libcurl4-openssl-dev nlohmann-json3-dev default-jdk-headless maven curl)
# Kerberos: GSS-API for the access library's reasons when a ticket is
# missing; kinit and openssl for the tests against the secured cluster.
packages+=(libkrb5-dev krb5-user openssl)
# The host SDK's checks: pkg-config, and dpkg-shlibdeps for cpack's Debian package.
packages+=(pkg-config dpkg-dev)
packages+=("$@")

present() {
  case "$1" in
    # Tools count when they are on the PATH, wherever they came from.
    cmake) command -v cmake >/dev/null ;;
    ninja-build) command -v ninja >/dev/null ;;
    g++) command -v g++ >/dev/null ;;
    python3) command -v python3 >/dev/null ;;
    # The test cluster needs Java 17 or later.
    default-jdk-headless) command -v javac >/dev/null &&
      [ "$(javac -version 2>&1 | sed -E 's/^javac ([0-9]+).*/\1/')" -ge 17 ] 2>/dev/null ;;
    maven) command -v mvn >/dev/null ;;
    curl) command -v curl >/dev/null ;;
    openssl) command -v openssl >/dev/null ;;
    pkg-config) command -v pkg-config >/dev/null ;;
    *) dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' ;;
  esac
}

missing=()
for package in "${packages[@]}"; do
  present "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing ${missing[*]}; run as root to install them" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
