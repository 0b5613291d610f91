#!/usr/bin/env bash
# The main job: a demo retrieval through the reference host and the DLL.
set -eu
cd "$(dirname "$0")/.."
export QALO_BIN=$PWD/build/win32/bin
export QALO_WINEPREFIX=$PWD/build/win32/wineprefix
export QALO_WINE_RUN=$PWD/cmake/wine-run.sh
echo "== nolt-host version --host-version 40335"
(cd "$QALO_BIN" && "$QALO_WINE_RUN" nolt-host.exe version --host-version 40335)
echo
python3 scripts/demo.py
