#!/usr/bin/env bash
# Runs a Windows program under the build's Wine prefix. Wine's helper processes
# inherit our stdout; sending the output through a file keeps CTest from waiting
# on them.
set -u
: "${WINEPREFIX:?run through scripts/test or scripts/wine-env}"
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
