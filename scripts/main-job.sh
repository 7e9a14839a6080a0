#!/usr/bin/env bash
# The main job on a fresh machine: set-up, the x86_64 build, the simulated Korvelia product installed into a
# fresh Wine prefix, a report of the machine, a silent uninstall started from the installation directory
# (as a user would start it), a second report of what is left, and the run time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
start=$(date +%s)
build=build/main
state=$build/wine
install_dir='C:\Program Files\Korvelia'
uninstall_limit=${KORVEL_UNINSTALL_LIMIT:-600}  # seconds to wait for the uninstaller and its relaunched copy

scripts/setup.sh

echo "== build ($build, x86_64)"
cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake -DCMAKE_BUILD_TYPE=Debug \
      -DKORVEL_BUILD_TESTS=OFF >/dev/null
# the installer with what it installs (the product, Uninstall.exe, 7z.dll); the signing tool says "Succeeded" per file
cmake --build "$build" -j"$(nproc)" --target korvel_setup | grep -v "^Succeeded$"

echo "== fresh Wine prefix"
scripts/wine-prefix.sh up "$state"
trap 'scripts/wine-prefix.sh down "$state"' EXIT
export KORVEL_WINE_STATE=$root/$state
export WINEPREFIX=$KORVEL_WINE_STATE/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

echo "== install"
setup_code=0
setup_output=$(scripts/wine-run.sh "$build/bin/korvel_setup.exe" "/dir=$install_dir" | tr -d '\r') || setup_code=$?
echo "$setup_output"
[ "$setup_code" -eq 0 ] || { echo "the installer failed (exit code $setup_code)"; exit 1; }
KORVEL_FOREIGN=$(echo "$setup_output" | sed -n "s/^Foreign entries (not the product's)://p")
export KORVEL_FOREIGN

# Number of processes of this prefix whose command line contains the text (without regard to case).
running_in_prefix() {
  local text=${1,,} proc cmd count=0
  for proc in /proc/[0-9]*; do
    { tr '\0' '\n' < "$proc/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
    cmd=$( { tr '\0' ' ' < "$proc/cmdline"; } 2>/dev/null) || continue
    [[ "${cmd,,}" == *"$text"* ]] && count=$((count + 1))
  done
  echo "$count"
}

# The product runs, as on a user's machine: the uninstaller has to close it.
echo "== start the product's programs"
programs=(qalmex.exe vorizar.exe Orbwpapp.exe)
for program in "${programs[@]}"; do
  scripts/wine-run.sh start "$install_dir\\$program"
done
for _ in $(seq 100); do
  [ "$(running_in_prefix "$install_dir")" -ge "${#programs[@]}" ] && break
  sleep 0.2
done

scripts/report-state.sh "$state" "before" "$install_dir"

echo "== uninstall: \"$install_dir\\Uninstall.exe\" /S"
uninstall_start=$(date +%s)
code=0
timeout "$uninstall_limit" scripts/wine-run.sh "$install_dir\\Uninstall.exe" /S || code=$?
if [ "$code" -eq 124 ]; then echo "first start still running after ${uninstall_limit} s"; else echo "first start ended with exit code $code"; fi
deadline=$((uninstall_start + uninstall_limit))
while [ "$(running_in_prefix uninstall.exe)" -gt 0 ] && [ "$(date +%s)" -lt "$deadline" ]; do
  sleep 1
done
if [ "$(running_in_prefix uninstall.exe)" -gt 0 ]; then
  echo "the uninstaller is still running after ${uninstall_limit} s: reporting the state as it is"
else
  echo "uninstaller finished after $(( $(date +%s) - uninstall_start )) s"
fi

for log in "$WINEPREFIX"/drive_c/users/*/Temp/korvel_uninst.log; do
  [ -f "$log" ] || continue
  echo "== uninstaller log (${log#"$WINEPREFIX"/drive_c/})"
  iconv -f GBK -t UTF-8 "$log" 2>/dev/null | tr -d '\r' || tr -d '\r' < "$log"
done

scripts/report-state.sh "$state" "after" "$install_dir"
echo "main job took $(( $(date +%s) - start )) s"
