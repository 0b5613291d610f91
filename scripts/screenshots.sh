#!/usr/bin/env bash
# Photographs each window of the plug-in on the X display ($DISPLAY, as
# `make screenshots` provides it) inside a Wine virtual desktop, which draws
# frames and title bars, at 96, 144 and 192 dpi, and writes
# build/screenshots/<window>-<dpi>.png. Each dpi has a prefix of its own
# beside the build's (a copy whose display setting LogPixels is that dpi).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/screenshots
bin=$root/build/win32/bin
shared=$root/build/win32/wineprefix
mkdir -p "$out"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# The window and a margin of the desktop around it, once two pictures in a
# row agree: the desktop's pixels follow the program's painting a moment later.
photograph() {
  local geometry=$1 target=$2 previous=$out/previous.png
  rm -f "$previous"
  for _ in $(seq 50); do
    xwd -root -silent -display "$DISPLAY" |
      /usr/bin/convert xwd:- -crop "$geometry" +repage "png:$target"
    if [ -f "$previous" ] && cmp -s <(/usr/bin/convert "$previous" rgb:-) <(/usr/bin/convert "$target" rgb:-); then
      rm -f "$previous"
      return 0
    fi
    cp "$target" "$previous"
    sleep 0.1
  done
  rm -f "$previous"
}

# The prefix at one dpi: a hard-linked copy of the build's, its registry
# files real copies, made again when the build's is set up differently. The
# display setting takes effect with the prefix's next wineserver.
prefix_at() {
  local dpi=$1 prefix=$shared-screens$1
  QALO_WINEPREFIX=$shared "$root/cmake/wine-run.sh" cmd /c exit >/dev/null 2>&1  # the build's prefix exists
  if ! cmp -s "$shared/.qalo-ready" "$prefix/.qalo-ready"; then
    rm -rf "$prefix"
    cp -al "$shared" "$prefix"
    for reg in "$shared"/*.reg; do rm "$prefix/${reg##*/}"; cp "$reg" "$prefix/"; done
  fi
  QALO_WINEPREFIX=$prefix "$root/cmake/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  QALO_WINEPREFIX=$prefix "$root/cmake/wine-run.sh" --stop
  echo "$prefix"
}

for dpi in 96 144 192; do
  export QALO_WINEPREFIX
  QALO_WINEPREFIX=$(prefix_at "$dpi")
  for window in progress cancelled password edit-fields login; do
    ready=$out/$window.ready stop=$out/$window.stop
    rm -f "$ready" "$stop"
    "$root/cmake/wine-run.sh" "$bin/ui-screenshots.exe" \
      "$window" "$(winpath "$ready")" "$(winpath "$stop")" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 600); do [ -s "$ready" ] && break; sleep 0.1; done
    if [ ! -s "$ready" ]; then
      echo "screenshots: $window did not appear at $dpi dpi" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    read -r width height left top < <(tr -d "\r" <"$ready")
    margin=$((20 * dpi / 96))
    photograph "$((width + 2 * margin))x$((height + 2 * margin))+$((left - margin))+$((top - margin))" \
      "$out/$window-$dpi.png"
    touch "$stop"
    wait "$pid" || true
    rm -f "$ready" "$stop"
    echo "$out/$window-$dpi.png"
  done
  "$root/cmake/wine-run.sh" --stop
done
