#!/bin/sh
# Installs what the benchmark harness needs beyond the plain build: Google
# Benchmark, and OpenCV with its contrib modules (the thinning peer). Does
# nothing when they are all there already. Nothing outside bench/ uses them.
set -e
PACKAGES="libbenchmark-dev libopencv-dev libopencv-contrib-dev"
missing=
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "bench: installing$missing"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends $missing
