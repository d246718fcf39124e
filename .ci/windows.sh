#!/usr/bin/env bash
# CI, Windows part: installs MinGW-w64 and Wine (64- and 32-bit) when
# missing, cross-builds both DLLs (make windows) and runs the Wine tests (make
# wine-test), which also compare the Windows bytes with the Linux build of
# `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
want g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
want llvm  # llvm-undname reads the decorated scanner names back
install_wanted
# 32-bit Wine runs the DLL the host loads. When its packages cannot be had
# (the i386 indexes out of step with the others), say so loudly and go on:
# make test32 has checked the same 32-bit code generation on Linux.
add_i386
want wine32
if ! install_wanted; then
  echo "windows: ****************************************************************"
  echo "windows: wine32 could not be installed (the distribution's i386 indexes"
  echo "windows: may be out of step); the 32-bit DLL is built but not run here."
  echo "windows: ****************************************************************"
fi

started=$SECONDS
make windows
echo "windows: cross-built in $((SECONDS - started)) s"
make wine-test
