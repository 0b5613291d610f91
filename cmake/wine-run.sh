#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
# The prefix lives in $QALO_WINEPREFIX (default: ./wineprefix below the
# current build folder) and is created on first use; a persistent
# wineserver keeps each later start cheap.
set -u
prefix=${QALO_WINEPREFIX:-}
if [ -z "$prefix" ]; then
  dir=$PWD
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || dir=$PWD
  prefix=$dir/wineprefix
fi
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# Wine's WinInet honours http_proxy even for loopback: never let it leak in.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.qalo-ready" ]; then
    # No Mono or Gecko installer dialogs: nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.qalo-ready"
  fi
  # A wineserver, and the services the first program starts, would inherit
  # our output pipe and hold its reader open long after the program ended.
  # Start them detached once (wineserver -p fails when one is running),
  # lingering between programs; under the lock, so no wine races ahead.
  if wineserver -p30 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$prefix.lock"

exec wine "$@"
