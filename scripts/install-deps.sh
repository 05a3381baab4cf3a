#!/usr/bin/env bash
# Installs with apt-get the Debian packages that building and testing need,
# and the packages named as arguments. Run as root on Debian; does nothing
# when every package is installed.
#
# Presence is judged by package, never by a command on the PATH: a command
# can be there without what it needs (clang without its fuzzing runtime, a
# JDK of another origin, Wine's server without its launcher).
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev python3)
# uconv (ICU): the second reference the character-set tests compare with.
packages+=(icu-devtools)
# The locale sources localedef compiles: the vrbio tests make their own locales.
packages+=(locales)
# The Hadoop access library, and the local HDFS cluster its tests run against
# (Debian 12's default JDK is 17, which the cluster needs at least).
packages+=(libcurl4-openssl-dev nlohmann-json3-dev default-jdk-headless maven curl)
# The cluster's client configuration (core-site.xml, hdfs-site.xml) is XML.
packages+=(libexpat1-dev)
# Kerberos: GSS-API for the access library's reasons when a ticket is
# missing; kinit and openssl for the tests against the secured cluster.
packages+=(libkrb5-dev krb5-user openssl)
# The host SDK's checks: pkg-config, and for cpack's Debian package
# dpkg-shlibdeps (dpkg-dev) and the file program it runs on every binary.
packages+=(pkg-config dpkg-dev file)
# Compressed text files: the codec libraries, and their tools, which the
# tests compare with.
packages+=(zlib1g-dev libbz2-dev liblzma-dev libzstd-dev gzip bzip2 xz-utils zstd)
packages+=("$@")

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
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
