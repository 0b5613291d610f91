#!/usr/bin/env bash
# The main job for a newcomer: the reference host talks to the plug-in.
set -eu
cd "$(dirname "$0")/.."
run=cmake/wine-run.sh
export QALO_WINEPREFIX=$PWD/build/win32/wineprefix
bin=build/win32/bin
cd "$bin"
echo "== nolt-host version --host-version 40335"
../../../$run nolt-host.exe version --host-version 40335
echo "== nolt-host message --code -5"
../../../$run nolt-host.exe message --code -5
