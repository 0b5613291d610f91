#!/usr/bin/env bash
# Configures one preset (native, win32, fuzz). A build folder that another
# generator made (the builds used make before Ninja) starts afresh.
set -eu
cd "$(dirname "$0")/.."
cache=build/$1/CMakeCache.txt
if [ -f "$cache" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache"; then
  rm -rf "build/$1"
fi
exec cmake --preset "$1"
