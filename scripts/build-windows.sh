#!/usr/bin/env bash
# Cross-builds the Windows DLL, vrbio.exe and the test programs with
# MinGW-w64 into build-windows/ (VRB_WINDOWS_BUILD_DIR names another), with
# warnings as errors. GoogleTest is cross-built once from the sources Debian
# ships, into build-windows/gtest-prefix. The Hadoop backend talks HTTP
# through WinHTTP, which Windows (and Wine) has.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VRB_WINDOWS_BUILD_DIR:-build-windows}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

# MinGW-w64 with the posix thread model, Wine to run the tests (wine64 has
# the 64-bit loader and wineserver, wine the `wine` launcher that CMake and
# the test scripts start programs with), the GoogleTest sources and
# nlohmann/json (header-only).
scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine googletest nlohmann-json3-dev \
  libz-mingw-w64-dev

toolchain="$root/cmake/mingw-w64.cmake"
gtest_prefix="$build/gtest-prefix"
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON
  cmake --build "$build/gtest-build" -j2
  cmake --install "$build/gtest-build"
fi
# nlohmann/json is the same for every target: its headers and package files
# are copied beside GoogleTest, where the cross build looks, rather than
# letting it search /usr, whose other headers are the Linux system's.
if [ ! -f "$gtest_prefix/share/cmake/nlohmann_json/nlohmann_jsonConfig.cmake" ]; then
  mkdir -p "$gtest_prefix/include" "$gtest_prefix/share/cmake"
  cp -r /usr/include/nlohmann "$gtest_prefix/include/"
  cp -r /usr/share/cmake/nlohmann_json "$gtest_prefix/share/cmake/"
fi

# bzip2, liblzma and zstd, built once from their sources into the same
# prefix (zlib is Debian's); all four are linked into the DLL statically.
scripts/windows-codecs.sh "$gtest_prefix"
# libexpat for the Hadoop client configuration, likewise linked statically.
scripts/windows-expat.sh "$gtest_prefix"

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DVRB_MINGW_PREFIX="$gtest_prefix" -DVRB_WERROR=ON -DVRB_HADOOP=ON
cmake --build "$build" -j2
