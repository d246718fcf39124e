#!/usr/bin/env bash
# make test-sets: the 64-bit module on processors narrower than this one.
# kaf_frame_runs runs under qemu-x86_64 as a plain x86-64 processor (SSE2,
# the baseline routines) and as one with AVX2 but no AVX-512; the 64-bit
# test_windows compares each record with this machine's own run. The module
# must start on every x86-64 processor and give the same bytes whichever
# routines it picks.
# Usage: compare-instruction-sets.sh LINUX_BUILD
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for cpu in qemu64 Haswell-noTSX; do
  # qemu warns about host features it does not emulate; those lines are noise.
  if ! qemu-x86_64 -cpu "$cpu" "$build/kaf_frame_runs" "$build/libkafilters.so" "$work/frame-runs-$cpu.bin" \
    2>"$work/qemu-$cpu.txt"; then
    grep -v "TCG doesn't support" "$work/qemu-$cpu.txt" >&2 || true
    echo "compare-instruction-sets: the module failed on the emulated $cpu processor"
    exit 1
  fi
  KAF_OTHER_FRAME_RUNS=$work/frame-runs-$cpu.bin "$build/tests/test_windows" --gtest_brief=1 \
    --gtest_filter='FrameBytes.*'
  echo "compare-instruction-sets: frame runs on the emulated $cpu processor identical"
done
