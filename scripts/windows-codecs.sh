#!/usr/bin/env bash
# Builds the codec libraries the Windows DLL links statically (bzip2, xz's
# liblzma, zstd) with MinGW-w64 into PREFIX/lib and PREFIX/include, from
# the upstream C sources that the Rust registry's -sys crates carry; zlib
# comes from Debian (libz-mingw-w64-dev). Does nothing when PREFIX already
# holds the versions below. Run by scripts/build-windows.sh.
#   scripts/windows-codecs.sh PREFIX
set -euo pipefail
prefix=$1
# crate version (the upstream release inside it) and the crate file's SHA-256
crates=("bzip2-sys 0.1.13+1.0.8 225bff33b2141874fe80d71e07d6eec4f85c5c216453dd96388240f96e1acc14"
  "lzma-sys 0.1.20 5fda04ab3764e6cde78b9974eec4f779acaba7c4e84b36eca3cf77c581b85d27"
  "zstd-sys 2.2.0+zstd.1.6.0 c3f4089cda6dda4dc43c43dd9f8964140064fd2f752f3da46c3a483c3c175160")
stamp="$prefix/codec-versions.txt"
wanted=$(printf '%s\n' "${crates[@]}" | cut -d' ' -f1,2)
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ] && exit 0

command -v curl >/dev/null || scripts/install-deps.sh curl ca-certificates
cc=x86_64-w64-mingw32-gcc-posix
ar=x86_64-w64-mingw32-ar
work="$prefix/codec-build"
rm -rf "$work"
mkdir -p "$work/crates" "$prefix/lib" "$prefix/include"

# A crate is a gzip'd tar of its sources at the registry's download address;
# no Rust toolchain is needed to take the C sources out of it.
registry=$work/crates
for crate in "${crates[@]}"; do
  set -- $crate
  file="$work/$1-$2.crate"
  curl -sSfL --retry 3 -o "$file" "https://static.crates.io/crates/$1/$1-$2.crate"
  echo "$3  $file" | sha256sum -c --quiet - || { echo "windows-codecs: $1 $2 is not the recorded file" >&2; exit 1; }
  tar -xzf "$file" -C "$registry"
done

# Compiles C files (two at a time) into one static library.
archive() {
  local name=$1 flags=$2
  shift 2
  mkdir -p "$work/$name"
  printf '%s\n' "$@" | CC=$cc FLAGS=$flags OUT="$work/$name" xargs -P2 -I{} sh -c \
    'f={}; $CC -O2 $FLAGS -c "$f" -o "$OUT/$(basename "$(dirname "$f")")_$(basename "$f" .c).o"'
  rm -f "$prefix/lib/lib$name.a"
  "$ar" rcs "$prefix/lib/lib$name.a" "$work/$name"/*.o
}

bzip2=$registry/bzip2-sys-0.1.13+1.0.8/bzip2-1.0.8
archive bz2 "" $(printf "$bzip2/%s.c " blocksort huffman crctable randtable compress decompress bzlib)
cp "$bzip2/bzlib.h" "$prefix/include/"

# liblzma as the crate builds it: its config.h, the table generators and
# the small-table CRC variants left out. LZMA_API_STATIC: no dllimport.
lzma=$registry/lzma-sys-0.1.20
src=$lzma/xz-5.2/src
includes="-std=c99 -DHAVE_CONFIG_H=1 -DLZMA_API_STATIC -I$lzma"
for dir in liblzma/api liblzma/lzma liblzma/lz liblzma/check liblzma/simple liblzma/delta liblzma/common \
    liblzma/rangecoder common; do
  includes="$includes -I$src/$dir"
done
archive lzma "$includes" $(ls "$src"/liblzma/{common,lzma,lz,check,delta,rangecoder,simple}/*.c \
  "$src/common/tuklib_cpucores.c" "$src/common/tuklib_physmem.c" | grep -vE '(crc32_small|crc64_small|tablegen)\.c$')
rm -rf "$prefix/include/lzma"
cp -r "$src/liblzma/api/lzma.h" "$src/liblzma/api/lzma" "$prefix/include/"

# zstd without its x86-64 assembly (written for the System V calling convention).
zstd=$registry/zstd-sys-2.2.0+zstd.1.6.0/zstd/lib
archive zstd "-DZSTD_DISABLE_ASM" "$zstd"/common/*.c "$zstd"/compress/*.c "$zstd"/decompress/*.c
cp "$zstd/zstd.h" "$zstd/zstd_errors.h" "$prefix/include/"

rm -rf "$work"
echo "$wanted" > "$stamp"
