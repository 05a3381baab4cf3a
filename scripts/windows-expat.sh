#!/usr/bin/env bash
# Builds libexpat, the XML parser that reads Hadoop client configuration
# files, with MinGW-w64 into PREFIX/lib and PREFIX/include as a static
# library, from the upstream release that Debian's source package carries
# (the same release as Debian 12's libexpat1-dev). Does nothing when PREFIX
# already holds it. Run by scripts/build-windows.sh.
#   scripts/windows-expat.sh PREFIX
set -euo pipefail
prefix=$1
version=2.5.0
sha256=ab00ee05c7067fd10a35c5d2a4922ebba746ddd50ff83b79c828da17bbdf1757
stamp="$prefix/expat-version.txt"
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] && exit 0

command -v curl >/dev/null || scripts/install-deps.sh curl ca-certificates
cc=x86_64-w64-mingw32-gcc-posix
ar=x86_64-w64-mingw32-ar
work="$prefix/expat-build"
rm -rf "$work"
mkdir -p "$work" "$prefix/lib" "$prefix/include"

file="$work/expat_$version.orig.tar.gz"
curl -sSfL --retry 3 -o "$file" "http://deb.debian.org/debian/pool/main/e/expat/expat_$version.orig.tar.gz"
echo "$sha256  $file" | sha256sum -c --quiet - || { echo "windows-expat: expat $version is not the recorded file" >&2; exit 1; }
tar -xzf "$file" -C "$work"
src="$work/libexpat-R_${version//./_}/expat/lib"

# What expat's own build would find out about MinGW-w64; entropy for its
# hash salts comes from rand_s, which it takes on every Windows build.
cat > "$work/expat_config.h" <<'CONFIG'
#ifndef EXPAT_CONFIG_H
#define EXPAT_CONFIG_H 1
#define BYTEORDER 1234
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1
#endif
CONFIG
for name in xmlparse xmlrole xmltok; do
  "$cc" -O2 -DXML_STATIC -I"$work" -I"$src" -c "$src/$name.c" -o "$work/$name.o"
done
rm -f "$prefix/lib/libexpat.a"
"$ar" rcs "$prefix/lib/libexpat.a" "$work"/*.o
cp "$src/expat.h" "$src/expat_external.h" "$prefix/include/"

rm -rf "$work"
echo "$version" > "$stamp"
