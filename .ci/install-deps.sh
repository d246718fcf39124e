#!/usr/bin/env bash
# Installs what the build and the tests need beyond the base image. Each
# package is installed only when it is missing, so a warm machine skips apt.
set -euo pipefail

need=()
want() { dpkg -s "$1" >/dev/null 2>&1 || need+=("$1"); }

want cmake
want ninja-build
want g++
want libgtest-dev
want libpng-dev
want libjpeg-dev
want libtiff-dev
want python3
want python3-numpy
want python3-pytest
# kafilters.dask and its cluster test; GNU parallel for the sharded folder test.
want python3-dask
want python3-distributed
want parallel

if ((${#need[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
