#!/usr/bin/env bash
# Installs what the build and the tests need beyond the base image. Each
# package is installed only when it is missing, so a warm machine skips apt.
# The 32-bit build (make linux32) takes g++-multilib and the i386 image
# libraries, and qemu-user to run its programs where the kernel runs no 32-bit
# executables.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

add_i386
want cmake ninja-build g++ libgtest-dev libpng-dev libjpeg-dev libtiff-dev python3 python3-numpy python3-pytest
# kafilters.dask and its cluster test; GNU parallel for the sharded folder test.
want python3-dask python3-distributed parallel
want g++-multilib libpng-dev:i386 libjpeg-dev:i386 libtiff-dev:i386
# qemu-user also runs the 64-bit module as narrower processors (make test-sets).
want qemu-user
install_wanted
