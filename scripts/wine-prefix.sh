#!/usr/bin/env bash
# Creates (up) or stops (down) the Wine world of one test run: a fresh prefix, an Xvfb display with a
# compositing manager, and a persistent wineserver, all under <state dir>. Never touches ~/.wine.
#   wine-prefix.sh up <state dir>
#   wine-prefix.sh down <state dir>
set -uo pipefail
cmd=${1:?up|down}
state=${2:?state directory}
mkdir -p "$state"
state=$(cd "$state" && pwd)
export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

stop_all() {
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; fi
  for f in xcompmgr.pid xvfb.pid; do
    [ -f "$state/$f" ] && kill "$(cat "$state/$f")" >/dev/null 2>&1
    rm -f "$state/$f"
  done
}

case "$cmd" in
  down) stop_all; exit 0 ;;
  up) ;;
  *) echo "usage: $0 up|down <state dir>" >&2; exit 2 ;;
esac

stop_all
rm -rf "$WINEPREFIX"

# A display of our own: the first free number from 90 on.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
echo $! > "$state/xvfb.pid"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"
xcompmgr >/dev/null 2>&1 </dev/null &
echo $! > "$state/xcompmgr.pid"
echo "$DISPLAY" > "$state/display"

wineboot -i >/dev/null 2>&1 </dev/null
# The service manager of the session that created the prefix lets services started on demand (the Task
# Scheduler among them) time out: the tests run in a fresh session.
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
# The user's shell folders are links into the host's home: make them real folders of the prefix.
users=$WINEPREFIX/drive_c/users
for link in "$users"/*/*; do
  if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
done
# Faces the UI asks for, mapped to the installed CJK font.
for face in "Microsoft YaHei" "微软雅黑" "SimSun" "宋体" "Tahoma"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
# A persistent wineserver with its output closed, so tests do not wait on Wine's background services.
wineserver -p >/dev/null 2>&1 </dev/null &
wine cmd /c exit >/dev/null 2>&1 </dev/null
echo "wine prefix ready: $WINEPREFIX on display $DISPLAY"
