#!/usr/bin/env bash
# Builds vrbio and the I/O module, then shows them on the sample files in
# examples/: a listing, files in several encodings and line-end styles, and a
# round trip through UTF-16 with a byte-order mark.
set -euo pipefail
cd "$(dirname "$0")/.."

# VRB_BUILD_DIR builds elsewhere than build/.
build=${VRB_BUILD_DIR:-build}

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build"

vrbio=$build/bin/vrbio
texts=examples/texts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

show() {
  echo
  echo "\$ vrbio $*"
  "$vrbio" "$@"
}

show ls "$texts"
show cat -e UTF-8 "$texts/utf8-lf.txt"
show cat --bom "$texts/utf8-bom-crlf.txt"
show cat --bom "$texts/utf16le-bom-crlf.txt"
show cat --bom "$texts/utf16be-bom-lf.txt"
show cat -e UTF-16LE "$texts/utf16le-nobom-lf.txt"
show cat -e UTF-32LE "$texts/utf32le-lf.txt"
show cat -e ISO-8859-1 "$texts/latin1-cr.txt"
show cat -e windows-1252 "$texts/cp1252-crlf.txt"
show cat -e UTF-8 "$texts/utf8-mixed-line-ends.txt"

source=$texts/utf8-bom-crlf.txt
show convert --bom -t UTF-16LE --write-bom --newline crlf "$source" "$work/round.utf16"
echo "first bytes: $(od -An -tx1 -N8 "$work/round.utf16")"
show convert --bom -t UTF-8 --write-bom --newline crlf "$work/round.utf16" "$work/round.utf8"
echo
if cmp "$source" "$work/round.utf8"; then
  echo "UTF-8 -> UTF-16LE -> UTF-8: identical to $source ($(wc -c <"$source") bytes)"
else
  echo "UTF-8 -> UTF-16LE -> UTF-8: differs from $source" >&2
  exit 1
fi
