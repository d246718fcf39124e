#!/usr/bin/env bash
# make test32, second half: the 32-bit Linux build's bytes against the 64-bit
# build's.
#   1. kaf_frame_runs of both builds (every method on seeded frames with three
#      parameter sets, both scanners), compared record by record by the 64-bit
#      test_windows;
#   2. both tools on the demo's photograph-like scene and its white frame at
#      8, 24 and 32 bits, every method with its defaults: identical files.
# The 32-bit programs run natively where the kernel runs 32-bit executables,
# otherwise under the emulator the build names in launcher.txt.
# Usage: compare-linux32.sh LINUX32_BUILD LINUX_BUILD
set -euo pipefail

b32=$(realpath "$1")
b64=$(realpath "$2")
read -ra run32 <"$b32/launcher.txt"
if ((${#run32[@]})); then echo "compare-linux32: the 32-bit programs run under ${run32[*]}"; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. Frame runs.
"${run32[@]}" "$b32/kaf_frame_runs" "$b32/libkafilters.so" "$work/frame-runs-32.bin"
KAF_OTHER_FRAME_RUNS=$work/frame-runs-32.bin "$b64/tests/test_windows" --gtest_brief=1 --gtest_filter='FrameBytes.*'

# 2. The tools on the scene.
"$b64/kafilters" demo "$work/demo" >/dev/null
mkdir -p "$work/out64" "$work/out32"
methods=$("$b64/kafilters" list | awk '{print $2}')
compared=0
for method in $methods; do
  for bpp in 8 24 32; do
    scene=$work/demo/scene-$bpp.png
    extra=()
    if [[ $method == flat_field ]]; then extra=(-p "White calibration frame=$work/demo/white-$bpp.png"); fi
    out=$method-$bpp.bmp
    status64=0
    status32=0
    "$b64/kafilters" run "$method" "$scene" "$work/out64/$out" "${extra[@]}" >"$work/out64/$out.txt" 2>&1 || status64=$?
    "${run32[@]}" "$b32/kafilters" run "$method" "$scene" "$work/out32/$out" "${extra[@]}" >"$work/out32/$out.txt" 2>&1 || status32=$?
    if ((status64 != status32)); then
      echo "compare-linux32: $method at $bpp bits: exit $status32 (32-bit) against $status64 (64-bit)"
      exit 1
    fi
    # The tools' messages, less the timing line.
    if ! diff <(grep -v ' ms' "$work/out64/$out.txt") <(grep -v ' ms' "$work/out32/$out.txt"); then
      echo "compare-linux32: $method at $bpp bits: the 32-bit tool said something else"
      exit 1
    fi
    if [[ -e $work/out64/$out ]] && ! cmp -s "$work/out64/$out" "$work/out32/$out"; then
      echo "compare-linux32: $method at $bpp bits: the 32-bit output differs"
      exit 1
    fi
    compared=$((compared + 1))
  done
done
echo "compare-linux32: frame runs identical; $compared tool runs on the scene identical"
