#!/usr/bin/env bash
# Runs a Windows program under Wine: the cross build's emulator, in front of
# every test program and in the launchers the Python tests use.
#
# This Wine has no preloader to reserve its fixed addresses before the Linux
# loader maps anything, so now and then a start finds the page of the shared
# user data already taken and fails before the program's first instruction
# (seen about once in some thousands of starts). Such a start is made again,
# at most twice. Only Wine's loader writes that message, so nothing the
# program itself did is ever retried. Standard error goes to a file while a
# start may still be retried and is copied out when the program ends; the
# program's own output stays as it wrote it, so each restart is noted in
# the file VRB_WINE_RESTARTS names, if any.
set -u
start_failure='failed to map the shared user data'
errors=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 125
trap 'rm -f "$errors"' EXIT
for attempt in 1 2 3; do
  wine "$@" 2>"$errors"
  status=$?
  if [ "$status" -eq 0 ] || [ "$attempt" -eq 3 ] || ! grep -q "$start_failure" "$errors"; then
    cat "$errors" >&2
    exit "$status"
  fi
  if [ -n "${VRB_WINE_RESTARTS:-}" ]; then
    echo "$(date +%T) $1: $(grep -m1 "$start_failure" "$errors")" >>"$VRB_WINE_RESTARTS"
  fi
done
