#!/usr/bin/env bash
# Photographs each window of the plug-in on the X display ($DISPLAY, as
# `make screenshots` provides it) inside a Wine desktop that draws title
# bars, and writes build/screenshots/<window>.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/screenshots
bin=$root/build/win32/bin
export QALO_WINEPREFIX=$root/build/win32/wineprefix
mkdir -p "$out"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

for window in progress cancelled password edit-fields; do
  ready=$out/$window.ready stop=$out/$window.stop
  rm -f "$ready" "$stop"
  "$root/cmake/wine-run.sh" explorer /desktop=shot,1024x768 "$bin/ui-screenshots.exe" \
    "$window" "$(winpath "$ready")" "$(winpath "$stop")" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do [ -s "$ready" ] && break; sleep 0.1; done
  if [ ! -s "$ready" ]; then
    echo "screenshots: $window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  sleep 1  # the desktop draws the frame after the program has painted
  read -r width height left top < <(tr -d "\r" <"$ready")
  # The window and a margin of the desktop around it.
  xwd -root -silent -display "$DISPLAY" |
    /usr/bin/convert xwd:- -crop "$((width + 40))x$((height + 40))+$((left - 20))+$((top - 20))" +repage \
      "png:$out/$window.png"
  touch "$stop"
  wait "$pid" || true
  rm -f "$ready" "$stop"
  echo "$out/$window.png"
done
