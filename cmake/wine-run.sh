#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix:
#   wine-run.sh PROGRAM [ARGS...]   run it
#   wine-run.sh --serve [KEEPER]    stop the prefix's wineserver, start one
#                                   that stays until --stop, warm it up, and
#                                   start KEEPER (desktop-keeper.exe) beside it
#   wine-run.sh --stop              stop the prefix's wineserver
# The prefix lives in $QALO_WINEPREFIX (default: ./wineprefix below the
# current build folder) and is created on first use, with a Wine virtual
# desktop: without a window manager on the X server Wine would wait 2 s for
# one each time a window is hidden, and would draw no frames.
#
# A wineserver (and the services it starts) inherits the output of the
# program that started it, and holds a reader of that output open for as
# long as it runs. With QALO_WINESERVER=kept someone else keeps one up (the
# ctest fixture, an end-to-end test for its own prefix). Otherwise, at a
# shell, in the build's test discovery, in the demo, one is started here,
# detached, and lingers 30 s after the last program.
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

quietly() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

# What make_prefix sets up; an older prefix of the build is brought up to it.
readonly kPrefixSettings="no crash dialog; virtual desktop 1024x768; fonts-wine"

# Creates the prefix once. The server that set it up is stopped before any
# program runs: a desktop it created without the program's X display would
# fail every window of that server's session.
make_prefix() {
  [ "$(cat "$prefix/.qalo-ready" 2>/dev/null)" = "$kPrefixSettings" ] && return
  # No Mono or Gecko installer dialogs: nothing here needs them.
  [ -f "$prefix/system.reg" ] || WINEDLLOVERRIDES="mscoree,mshtml=" quietly wineboot -i
  quietly wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  quietly wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f
  quietly wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f
  # Wine here does not look into fonts-wine's folder by itself: the frame
  # glyphs (Marlett) and the dialog fonts must be in the prefix's Fonts.
  ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"
  stop_server
  echo "$kPrefixSettings" >"$prefix/.qalo-ready"
}

# Starts a detached server of the given persistence (none: until stopped)
# and a first program, so its services run detached too. Fails when a
# server is already up.
start_server() {
  quietly wineserver "-p$1" || return
  echo "${DISPLAY:-}" >"$prefix/.qalo-display"
  quietly wine cmd /c exit
}

stop_server() {
  quietly wineserver -k
  quietly wineserver -w
}

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
make_prefix
case "${1:-}" in
  --serve)
    stop_server
    start_server ""
    if [ -n "${2:-}" ]; then wine "$2" </dev/null >/dev/null 2>&1 9>&- & fi
    exit ;;
  --stop) stop_server; exit ;;
esac
if [ "${QALO_WINESERVER:-}" != kept ] && ! start_server 30 &&
   [ "$(cat "$prefix/.qalo-display" 2>/dev/null)" != "${DISPLAY:-}" ]; then
  # The lingering server belongs to another X display (the build's test
  # discovery has none): its desktop could not show our windows.
  stop_server
  start_server 30
fi
flock -u 9
exec 9>&-

exec wine "$@"
