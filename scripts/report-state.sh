#!/usr/bin/env bash
# Prints what of Korvelia is on the machine of one Wine prefix: files, registry, services, shortcuts,
# scheduled tasks, processes, pending deletions and leftovers of the uninstaller. Used before and after an
# uninstall. The prefix's wineserver must be running (scripts/wine-prefix.sh up).
#   report-state.sh <state dir> [title] [installation directory]
# The installation directory defaults to the App Paths value, then to C:\Program Files\Korvelia.
# KORVEL_FOREIGN: blank-separated top-level names of the installation directory that are not the product's
# (they are marked and not counted as product files).
set -uo pipefail
state=${1:?state directory}
title=${2:-state}
state=$(cd "$state" && pwd)
export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
[ -f "$state/display" ] && export DISPLAY=$(cat "$state/display")
drive_c=$WINEPREFIX/drive_c
foreign=" ${KORVEL_FOREIGN:-} "

app_paths='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Orbwpapp.exe'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'

echo "==================== $title ===================="

install_dir=${3:-}
[ -n "$install_dir" ] ||
  install_dir=$(wine reg query "$app_paths" /v path /reg:32 2>/dev/null | sed -n 's/^ *path *REG_SZ *//p' | tr -d '\r')
[ -n "$install_dir" ] || install_dir='C:\Program Files\Korvelia'
host_install=$(wine winepath -u "$install_dir" 2>/dev/null | tr -d '\r')
host_install=${host_install%/}

echo "-- files"
product_count=0
foreign_count=0
if [ -n "$host_install" ] && [ -d "$host_install" ]; then
  echo "installation directory $install_dir:"
  while IFS= read -r -d '' path; do
    rel=${path#"$host_install"/}
    top=${rel%%/*}
    if [[ "$foreign" == *" $top "* ]]; then
      echo "  $rel   [not the product's]"
      foreign_count=$((foreign_count + 1))
    else
      echo "  $rel"
      product_count=$((product_count + 1))
    fi
  done < <(find "$host_install" -mindepth 1 -type f -print0 | sort -z)
else
  echo "installation directory $install_dir: absent"
fi
# The per-user data directory: its browser cache goes in every uninstall; the rest is the user's data
# (favourites, login), which an uninstall keeps unless the user asked for it to go.
user_data=0
for user_dir in "$drive_c"/users/*/AppData/Roaming/Orbwp; do
  [ -d "$user_dir" ] || continue
  echo "per-user data directory ${user_dir#"$drive_c"/}:"
  while IFS= read -r -d '' path; do
    rel=${path#"$user_dir"/}
    if [[ "$rel" == cef_cache/* ]]; then
      echo "  $rel"
      product_count=$((product_count + 1))
    else
      echo "  $rel   [user data]"
      user_data=$((user_data + 1))
    fi
  done < <(find "$user_dir" -mindepth 1 -type f -print0 | sort -z)
done
echo "product files: $product_count (user data files: $user_data, foreign files: $foreign_count)"

echo "-- registry"
found=0  # set by query: 1 when the key or value exists
query() { # <label> <reg query arguments...>
  local label=$1 out
  shift
  found=0
  if out=$(wine reg query "$@" 2>/dev/null | tr -d '\r' | sed '/^[[:space:]]*$/d'); then
    if [ -n "$out" ] && echo "$out" | grep -qv '^HKEY_'; then
      echo "present  $label"
      echo "$out" | sed 's/^/    /'
    else
      echo "present  $label (no values)"
    fi
    found=1
  else
    echo "absent   $label"
  fi
}
registry=0
query "App Paths (32-bit view, with file_list and file_pe)" "$app_paths" /s /reg:32; registry=$((registry + found))
query "uninstall entry" 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Orbwpapp' /s /reg:32
registry=$((registry + found))
query "per-user settings" 'HKCU\Software\OrbWallPaper' /s; registry=$((registry + found))
query "class key" 'HKCR\Vantelle' /s; registry=$((registry + found))
query "HKCU Run Orbwp-srv" "HKCU\\$run_key" /v Orbwp-srv; registry=$((registry + found))
query "HKLM Run Orbwp-srv (32-bit view)" "HKLM\\$run_key" /v Orbwp-srv /reg:32; registry=$((registry + found))
query "HKLM Run wpapp (32-bit view)" "HKLM\\$run_key" /v wpapp /reg:32; registry=$((registry + found))
query "HKLM Run wpapp (64-bit view)" "HKLM\\$run_key" /v wpapp /reg:64; registry=$((registry + found))

echo "-- services"
services=0
for service in TessmarLock TessmarLockWp DazuzaviRovuverUz DerurorudizoVE; do
  if wine reg query "HKLM\\System\\CurrentControlSet\\Services\\$service" >/dev/null 2>&1; then
    echo "present  $service"
    services=$((services + 1))
  else
    echo "absent   $service"
  fi
done

echo "-- shortcuts"
shortcuts=0
for desktop in "$drive_c"/users/*/Desktop; do
  for name in "Orb壁纸.lnk" "Korvelia.lnk" "KorveliaLite.lnk"; do
    [ -e "$desktop/$name" ] && { echo "present  ${desktop#"$drive_c"/}/$name"; shortcuts=$((shortcuts + 1)); }
  done
done
programs="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
for folder in "Korvelia" "Orb安全中心/Orb壁纸"; do
  [ -e "$programs/$folder" ] && { echo "present  start menu folder $folder"; shortcuts=$((shortcuts + 1)); }
done
echo "shortcuts and start-menu folders: $shortcuts"

echo "-- scheduled tasks"
tasks=0
if [ -e "$drive_c/windows/system32/tasks/Orbwp-srv" ]; then echo "present  Orbwp-srv"; tasks=1; else echo "absent   Orbwp-srv"; fi

echo "-- processes (outside C:\\windows)"
processes=0
for proc in /proc/[0-9]*; do
  { tr '\0' '\n' < "$proc/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
  cmd=$( { tr '\0' ' ' < "$proc/cmdline"; } 2>/dev/null | sed 's/ *$//')
  case "$cmd" in
    [Cc]:\\windows\\*) continue ;;  # Wine's own services
    [A-Za-z]:\\*) ;;                  # a Windows program of this prefix
    *) continue ;;
  esac
  echo "running  ${proc#/proc/}: $cmd"
  processes=$((processes + 1))
done
echo "processes: $processes"

echo "-- pending deletions and leftovers"
pending=0
query "PendingFileRenameOperations" 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations
pending=$((pending + found))
query "RunOnce (32-bit view)" 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce' /reg:32
leftovers=0
for temp in "$drive_c"/users/*/Temp; do
  for leftover in "$temp"/\{*\}.tmp; do
    [ -e "$leftover" ] && { echo "leftover ${leftover#"$drive_c"/}"; leftovers=$((leftovers + 1)); }
  done
done
echo "summary ($title): product files $product_count, user data files $user_data," \
     "registry entries $registry, services $services," \
     "shortcuts $shortcuts, tasks $tasks, processes $processes, pending renames $pending," \
     "temporary directories $leftovers"
echo "================================================"
