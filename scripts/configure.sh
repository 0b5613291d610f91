#!/usr/bin/env bash
# Configures one preset (native, win32, fuzz) where needed. A build folder
# that another generator made (the builds used make before Ninja) starts
# afresh; one that Ninja already builds configures itself again when a
# CMakeLists.txt or a globbed folder changes, so only a newer CMakePresets.json
# calls for cmake here.
set -eu
cd "$(dirname "$0")/.."
dir=build/$1
if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
  rm -rf "$dir"
fi
[ -f "$dir/build.ninja" ] && [ "$dir/build.ninja" -nt CMakePresets.json ] && exit 0
exec cmake --preset "$1"
