#!/usr/bin/env bash
# Emulator for cross-compiled programs: runs a Windows program under Wine in the test run's own prefix.
# KORVEL_WINE_STATE names the state directory made by wine-prefix.sh.
set -u
state=${KORVEL_WINE_STATE:?KORVEL_WINE_STATE is not set: refusing to run in the default Wine prefix}
export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
[ -f "$state/display" ] && export DISPLAY=$(cat "$state/display")
# Wine's background services, when a program starts them, inherit its output: through a pipe they would
# keep the caller (ctest) waiting until they end. Through a file they keep nothing waiting.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
