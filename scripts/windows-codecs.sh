#!/usr/bin/env bash
# Builds the codec libraries the Windows DLL links statically (bzip2, xz's
# liblzma, zstd) with MinGW-w64 into PREFIX/lib and PREFIX/include, from
# the upstream C sources that the Rust registry's -sys crates carry; zlib
# comes from Debian (libz-mingw-w64-dev). Does nothing when PREFIX already
# holds the versions below. Run by scripts/build-windows.sh.
#   scripts/windows-codecs.sh PREFIX
set -euo pipefail
prefix=$1
# crate version: the upstream release inside it
crates=("bzip2-sys 0.1.13+1.0.8" "lzma-sys 0.1.20" "zstd-sys 2.2.0+zstd.1.6.0")
stamp="$prefix/codec-versions.txt"
wanted=$(printf '%s\n' "${crates[@]}")
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ] && exit 0

cargo=$(command -v cargo || echo "$HOME/.cargo/bin/cargo")
if [ ! -x "$cargo" ]; then
  scripts/install-deps.sh cargo
  cargo=$(command -v cargo)
fi
cc=x86_64-w64-mingw32-gcc-posix
ar=x86_64-w64-mingw32-ar
work="$prefix/codec-build"
rm -rf "$work"
mkdir -p "$work/fetch/src" "$prefix/lib" "$prefix/include"

# A throw-away package whose only purpose is to make cargo fetch the exact
# crates; their sources land unpacked in cargo's registry.
{
  printf '[package]\nname = "codec-sources"\nversion = "0.0.0"\nedition = "2021"\n\n[dependencies]\n'
  for crate in "${crates[@]}"; do
    set -- $crate
    printf '%s = "=%s"\n' "$1" "$2"
  done
} > "$work/fetch/Cargo.toml"
echo 'fn main() {}' > "$work/fetch/src/main.rs"
(cd "$work/fetch" && CARGO_REGISTRIES_CRATES_IO_PROTOCOL=sparse "$cargo" fetch --quiet)
registry=$(dirname "$(ls -d "${CARGO_HOME:-$HOME/.cargo}"/registry/src/*/bzip2-sys-0.1.13+1.0.8 | head -1)")

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
