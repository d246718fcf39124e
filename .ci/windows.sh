#!/usr/bin/env bash
# CI, Windows part: installs MinGW-w64 and Wine when missing, cross-builds
# both DLLs (make windows) and runs the Wine tests (make wine-test), which
# also compare the Windows bytes with the Linux build of `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
want() { dpkg -s "$1" >/dev/null 2>&1 || need+=("$1"); }
want g++-mingw-w64-i686
want g++-mingw-w64-x86-64
want wine
want wine64
want llvm  # llvm-undname reads the decorated scanner names back

if ((${#need[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  # Another apt run may hold the dpkg lock for a while: wait for it.
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    if apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}"; then break; fi
    if ((attempt == 10)); then exit 1; fi
    sleep 30
  done
fi

started=$SECONDS
make windows
echo "windows: cross-built in $((SECONDS - started)) s"
make wine-test
