#!/usr/bin/env bash
# The host SDK as a team would take it up. Usage:
#   scripts/check-host-sdk.sh BUILD            install BUILD into a fresh prefix, check that it holds
#                                              exactly the public files, move it, and build and run
#                                              examples/host against it through find_package and
#                                              through pkg-config (with AddressSanitizer when BUILD
#                                              is a VRB_SANITIZE build, as its package then asks)
#   scripts/check-host-sdk.sh --deb BUILD      the same with the Debian package from cpack: its
#                                              contents, version and dependencies, unpacked
#   scripts/check-host-sdk.sh --deb-install BUILD
#                                              the package installed into this machine with
#                                              apt-get, used, then removed with dpkg -r (root only;
#                                              refuses when a vrbaseio package is installed already)
# ctest runs the first two (host_sdk, host_sdk_deb); scripts/test.sh the third.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=prefix
case "${1:-}" in
  --deb) mode=deb; shift ;;
  --deb-install) mode=deb-install; shift ;;
esac
[ $# -eq 1 ] || { sed -n '2,15p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vrbaseio-sdk.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "check-host-sdk: $*" >&2; exit 1; }

sanitize=OFF
grep -q '^VRB_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" && sanitize=ON
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
host_flags=()
[ $sanitize = ON ] && host_flags=(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:exitcode=86 UBSAN_OPTIONS=print_stacktrace=1:exitcode=87

# What a prefix holds: the module, vrbio, the public headers, the host class
# library and the files that find it. Nothing else (no private header).
expected_files() {
  cat <<LIST
bin/vrbio
include/vrbaseio/VrbDirectoryListing.h
include/vrbaseio/VrbIO.h
include/vrbclass/VrHadoopURI.h
include/vrbclass/VrURI.h
include/vrbclass/VrbDate.h
include/vrbclass/VrbServiceModule.h
include/vrbclass/VrbString.h
include/vrbclass/VrbTxtFile.h
include/vrbclass/vrb_path.h
lib/cmake/vrbaseio/vrbaseioConfig.cmake
lib/cmake/vrbaseio/vrbaseioConfigVersion.cmake
lib/libvrbaseio.so
lib/libvrbclass.a
lib/pkgconfig/vrbaseio.pc
LIST
}

# The host's output for the sample file and directory, written out by hand:
# the UTF-16LE sample with its mark and CR LF ends, then examples/texts.
expected_output() {
  cat <<'OUT'
line 1: Grüße aus Köln – “Frühstück” um 8:00 €
line 2: naïve café, crème brûlée, señor
line 3: Ελληνικά, русский, 日本語, emoji 🙂
line 4: — end of sample —
entry - cp1252-crlf.txt
entry - latin1-cr.txt
entry - utf16be-bom-lf.txt
entry - utf16le-bom-crlf.txt
entry - utf16le-nobom-lf.txt
entry - utf32le-lf.txt
entry - utf8-bom-crlf.txt
entry - utf8-lf.txt
entry - utf8-mixed-line-ends.txt
entry d archive
OUT
}

# run_host PROGRAM: the sample through PROGRAM, compared with the expectation;
# then a missing file, which must fail naming it, the listing still shown.
run_host() {
  local program=$1 out
  out=$("$program" "$root/examples/texts/utf16le-bom-crlf.txt" "$root/examples/texts" 2>"$work/stderr") ||
    fail "$program failed: $(cat "$work/stderr")"
  [ ! -s "$work/stderr" ] || fail "$program wrote to standard error: $(cat "$work/stderr")"
  # Entries come in the file system's order; the lines keep theirs.
  diff <(expected_output) <(printf '%s\n' "$out" | grep '^line'; printf '%s\n' "$out" | grep '^entry' | LC_ALL=C sort) ||
    fail "$program: output differs from the expectation (above)"
  local status=0
  "$program" "$work/no-such-file.txt" "$root/examples/texts/archive" >"$work/stdout" 2>"$work/stderr" || status=$?
  [ $status -eq 1 ] || fail "$program on a missing file: status $status, not 1: $(cat "$work/stderr")"
  grep -q "no-such-file.txt" "$work/stderr" || fail "$program: the failure does not name the file: $(cat "$work/stderr")"
  [ "$(cat "$work/stdout")" = "entry - notes.txt" ] || fail "$program: listing after a failure: $(cat "$work/stdout")"
}

# check_prefix PREFIX: hosts built against PREFIX, through CMake and pkg-config.
check_prefix() {
  local prefix=$1
  # Relocatable: no file names the build or source tree.
  ! grep -rlF -e "$build" -e "$root/" "$prefix/lib/cmake" "$prefix/lib/pkgconfig" "$prefix/include" ||
    fail "installed files name the build or source tree (above)"

  cmake -S "$root/examples/host" -B "$work/host-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_FLAGS="${host_flags[*]:-}" >"$work/host-cmake.log" 2>&1 ||
    fail "configuring examples/host against $prefix: $(cat "$work/host-cmake.log")"
  cmake --build "$work/host-cmake" >"$work/host-build.log" 2>&1 ||
    fail "building examples/host against $prefix: $(cat "$work/host-build.log")"
  run_host "$work/host-cmake/vrbaseio-host"

  local pc="env PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config"
  [ "$($pc --modversion vrbaseio)" = "$version" ] || fail "vrbaseio.pc: version $($pc --modversion vrbaseio)"
  local module
  module=$($pc --variable=module vrbaseio)
  [ "$(realpath "$module")" = "$(realpath "$prefix/lib/libvrbaseio.so")" ] || fail "vrbaseio.pc: module $module"
  # shellcheck disable=SC2046
  c++ ${host_flags[@]+"${host_flags[@]}"} -DVRBASEIO_MODULE_PATH="\"$module\"" $($pc --cflags vrbaseio) \
      "$root/examples/host/host.cpp" -o "$work/host-pc" $($pc --libs vrbaseio) ||
    fail "building examples/host with pkg-config"
  run_host "$work/host-pc"

  # vrbio finds the module of its own prefix and says which.
  local shown
  shown=$(env -u VRBASEIO_MODULE "$prefix/bin/vrbio" --version) || fail "vrbio --version: $shown"
  [ "$shown" = "vrbio $version
module $(realpath "$prefix/lib/libvrbaseio.so")" ] || fail "vrbio --version gave: $shown"
  [ "$(env -u VRBASEIO_MODULE "$prefix/bin/vrbio" cat "$root/examples/texts/archive/notes.txt")" = \
    "$(cat "$root/examples/texts/archive/notes.txt")" ] || fail "the installed vrbio cannot cat"
}

# The package's files, one per line, relative to /usr.
deb_files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | sort; }

make_deb() {
  (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
  deb=$(ls "$work"/deb/vrbaseio_*.deb)
  [ "$(basename "$deb")" = "vrbaseio_${version}_$(dpkg --print-architecture).deb" ] || fail "package name $deb"
  diff <(expected_files) <(deb_files "$deb") || fail "the package's files differ from the list (above)"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 libstdc++6 libcurl; do
    [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
  done
}

case $mode in
  prefix)
    cmake --install "$build" --prefix "$work/installed" >/dev/null
    diff <(expected_files) <(cd "$work/installed" && find . -type f | sed 's|^\./||' | sort) ||
      fail "the prefix's files differ from the list (above)"
    mv "$work/installed" "$work/moved"
    check_prefix "$work/moved"
    ;;
  deb)
    [ $sanitize = OFF ] || fail "the Debian package is made from a plain build"
    make_deb
    dpkg-deb -x "$deb" "$work/unpacked"
    check_prefix "$work/unpacked/usr"
    ;;
  deb-install)
    [ "$(id -u)" = 0 ] || fail "installing the package needs root"
    [ -z "$(dpkg-query -W -f='${Status}' vrbaseio 2>/dev/null)" ] ||
      fail "dpkg knows a vrbaseio package already; left alone"
    make_deb
    cp "$deb" "$work/install.deb"
    trap 'dpkg --purge vrbaseio >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    (cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./install.deb" >"$work/apt.log" 2>&1) ||
      fail "apt-get install: $(cat "$work/apt.log")"
    # The system's prefix: found by CMake and pkg-config without hints.
    cmake -S "$root/examples/host" -B "$work/host-system" -G Ninja >"$work/host-system.log" 2>&1 ||
      fail "examples/host against /usr: $(cat "$work/host-system.log")"
    cmake --build "$work/host-system" >>"$work/host-system.log" 2>&1 || fail "$(cat "$work/host-system.log")"
    run_host "$work/host-system/vrbaseio-host"
    [ "$(realpath "$(pkg-config --variable=module vrbaseio)")" = /usr/lib/libvrbaseio.so ] ||
      fail "pkg-config in /usr: module $(pkg-config --variable=module vrbaseio)"
    [ "$(/usr/bin/vrbio --version | tail -1)" = "module /usr/lib/libvrbaseio.so" ] || fail "/usr/bin/vrbio --version"
    dpkg -r vrbaseio >"$work/remove.log" 2>&1 || fail "dpkg -r: $(cat "$work/remove.log")"
    # The package has no configuration files, so removing it leaves nothing;
    # dpkg still remembers it until it is purged.
    dpkg --purge vrbaseio >>"$work/remove.log" 2>&1 || fail "dpkg --purge: $(cat "$work/remove.log")"
    [ -z "$(dpkg-query -W -f='${Status}' vrbaseio 2>/dev/null)" ] || fail "dpkg still lists vrbaseio"
    while read -r file; do
      [ ! -e "/usr/$file" ] || fail "/usr/$file is left after dpkg -r"
    done < <(expected_files)
    ;;
esac
echo "check-host-sdk ($mode, sanitize $sanitize): passed"
