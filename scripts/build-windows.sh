#!/usr/bin/env bash
# Cross-builds the Windows DLL, vrbio.exe and the test programs with
# MinGW-w64 into build-windows/ (VRB_WINDOWS_BUILD_DIR names another), with
# warnings as errors. GoogleTest is cross-built once from the sources Debian
# ships, into build-windows/gtest-prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VRB_WINDOWS_BUILD_DIR:-build-windows}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

# MinGW-w64 with the posix thread model, Wine to run the tests, and the
# GoogleTest sources.
scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest

toolchain="$root/cmake/mingw-w64.cmake"
gtest_prefix="$build/gtest-prefix"
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON
  cmake --build "$build/gtest-build" -j2
  cmake --install "$build/gtest-build"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DVRB_MINGW_PREFIX="$gtest_prefix" -DVRB_WERROR=ON -DVRB_HADOOP=OFF
cmake --build "$build" -j2
