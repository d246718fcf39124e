#!/usr/bin/env bash
# Times the 32-bit build's tool against the 64-bit build's on the same
# pictures, method by method, and prints the table (milliseconds, the fastest
# of --repeat runs, and the ratio 32-bit / 64-bit). Where the kernel runs no
# 32-bit executables, both tools run under QEMU's user-mode emulator
# (qemu-i386 and qemu-x86_64, the same instruction sets for both), so that
# the ratio compares like with like; absolute times are then the emulator's.
# Usage: scripts/time-32-against-64.sh [LINUX_BUILD] [LINUX32_BUILD] [REPEAT]
set -euo pipefail

b64=$(realpath "${1:-build}")
b32=$(realpath "${2:-build-linux32}")
repeat=${3:-5}
read -ra run32 <"$b32/launcher.txt"
run64=()
if ((${#run32[@]})); then
  run64=(qemu-x86_64 -L /)
  echo "# both tools under QEMU user-mode emulation (no native 32-bit executables here)"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Noise pictures: 1024 x 1024 at 8 bits, 512 x 512 at 32 bits, and a white
# frame for flat field.
/usr/bin/python3 - "$work" <<'PY'
import sys
import numpy as np
work = sys.argv[1]
rng = np.random.default_rng(1)
for name, (h, w) in (("8", (1024, 1024)), ("white-8", (1024, 1024))):
    a = rng.integers(0 if name == "8" else 180, 256, (h, w), dtype=np.uint8)
    open(f"{work}/{name}.pgm", "wb").write(b"P5\n%d %d\n255\n" % (w, h) + a.tobytes())
for name in ("32", "white-32"):
    a = rng.integers(0 if name == "32" else 180, 256, (512, 512, 4), dtype=np.uint8)
    header = b"P7\nWIDTH 512\nHEIGHT 512\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
    open(f"{work}/{name}.pam", "wb").write(header + a.tobytes())
PY

# The fastest of the runs, from the tool's "time: median M ms, min N ms" line.
fastest() { sed -n 's/.*min \([0-9.]*\) ms.*/\1/p' | tail -1; }

printf '%-24s %5s %10s %10s %7s\n' method bits "64-bit ms" "32-bit ms" ratio
while read -r method params; do
  for bits in 8 32; do
    ext=$([[ $bits == 8 ]] && echo pgm || echo pam)
    args=(run "$method" "$work/$bits.$ext" "$work/out.$ext" --repeat "$repeat")
    [[ $method == flat_field ]] && args+=(-p "White calibration frame=$work/white-$bits.$ext")
    [[ -n $params ]] && args+=(-p "$params")
    t64=$("${run64[@]}" "$b64/kafilters" "${args[@]}" 2>&1 | fastest)
    t32=$("${run32[@]}" "$b32/kafilters" "${args[@]}" 2>&1 | fastest)
    label="$method${params:+ ${params##*=}}"
    printf '%-24s %5s %10s %10s %7.2f\n' "$label" "$bits" "$t64" "$t32" "$(echo "$t32 / $t64" | bc -l)"
  done
done <<'LIST'
blur
gaussian Kernel radius=1
gaussian Kernel radius=5
laplacian_high_boost_1
laplacian_high_boost_2
laplacian_high_boost_3
mean Kernel radius=1
mean Kernel radius=5
median Neighbourhood radius=1
median Neighbourhood radius=5
minimum Neighbourhood radius=1
minimum Neighbourhood radius=5
maximum Neighbourhood radius=5
extreme Neighbourhood radius=5
skeletonization
edge
dilation
erosion
opening
closing
kernel_3x3
kernel_5x5
kernel
flat_field
LIST
