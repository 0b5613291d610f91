#!/usr/bin/env bash
# Photographs each window of the plug-in on the X display ($DISPLAY, as
# `make screenshots` provides it) inside the prefix's Wine virtual desktop,
# which draws frames and title bars, and writes build/screenshots/<window>.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/screenshots
bin=$root/build/win32/bin
export QALO_WINEPREFIX=$root/build/win32/wineprefix
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

for window in progress cancelled password edit-fields login; do
  ready=$out/$window.ready stop=$out/$window.stop
  rm -f "$ready" "$stop"
  "$root/cmake/wine-run.sh" "$bin/ui-screenshots.exe" \
    "$window" "$(winpath "$ready")" "$(winpath "$stop")" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do [ -s "$ready" ] && break; sleep 0.1; done
  if [ ! -s "$ready" ]; then
    echo "screenshots: $window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  read -r width height left top < <(tr -d "\r" <"$ready")
  photograph "$((width + 40))x$((height + 40))+$((left - 20))+$((top - 20))" "$out/$window.png"
  touch "$stop"
  wait "$pid" || true
  rm -f "$ready" "$stop"
  echo "$out/$window.png"
done
