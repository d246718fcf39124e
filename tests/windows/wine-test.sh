#!/usr/bin/env bash
# make wine-test: runs the 64-bit Windows build under Wine and checks both
# Windows builds against the Linux one.
#   1. every GoogleTest program of WIN64 under wine64 (one Wine process each);
#   2. kaf_frame_runs.exe with kafilters.dll under wine64, writing its bytes;
#   3. the Linux test_windows: the 32-bit and 64-bit images (exports, imports,
#      resources) and the Wine bytes against the Linux module's;
#   4. the same bytes from the 32-bit kafilters.dll: kaf_frame_runs.exe of
#      WIN32 under 32-bit Wine, against the Linux module's. Where 32-bit Wine
#      cannot run (not installed, or a kernel that refuses 32-bit
#      executables), this says so loudly and the 32-bit arithmetic is checked
#      by `make test32` alone.
# Ends with "wine-test: N passed, N failed" (GoogleTest cases) and fails if
# anything failed.
# Usage: wine-test.sh WIN64_BUILD WIN32_BUILD LINUX_BUILD
set -uo pipefail

win64=$(realpath "$1")
win32=$(realpath "$2")
linux=$(realpath "$3")

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
if [[ ! -x $wine ]]; then
  echo "wine-test: wine64 is not installed (apt-get install wine wine64)" >&2
  exit 1
fi

# A prefix of its own inside the build folder; no Mono or Gecko prompts, no
# debug chatter; ka_iproc.dll is found through WINEPATH (the test programs
# sit in tests/, the DLLs at the top of the build folder).
export WINEPREFIX=$win64/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="Z:${win64//\//\\}"

# The server and the services that the first Wine process starts keep the
# standard streams they were given open until the server ends, so they get
# /dev/null: a pipe reading this script's output would otherwise wait for them.
started=$SECONDS
"$wineserver" -p 60 </dev/null >/dev/null 2>&1
trap '"$wineserver" -k </dev/null >/dev/null 2>&1' EXIT
"$wine" wineboot --init </dev/null >/dev/null 2>&1
echo "wine-test: Wine prefix ready after $((SECONDS - started)) s"

# Cases left out under Wine, for reasons of the test and not of the module:
# PluginModule.LoadFailuresSayWhy loads the host library by its Linux file
# name, libka_iproc.so, to show that a library without the entry points is
# refused.
declare -A excluded=([test_host]="PluginModule.LoadFailuresSayWhy")

passed=0
failed=0
failures=()
# Adds the case counts from a GoogleTest output file.
count() {
  local p f
  p=$(grep -aoE '^\[  PASSED  \] [0-9]+' "$1" | grep -oE '[0-9]+$' | tail -1)
  f=$(grep -aoE '^\[  FAILED  \] [0-9]+ test' "$1" | grep -oE '[0-9]+' | tail -1)
  passed=$((passed + ${p:-0}))
  failed=$((failed + ${f:-0}))
}

# 1. The GoogleTest programs, run from the build folder as ctest would.
for program in "$win64"/tests/test_*.exe; do
  name=$(basename "$program" .exe)
  log=$win64/wine-$name.log
  begin=$SECONDS
  filter=${excluded[$name]:-}
  run() { (cd "$win64" && timeout 900 "$wine" "$program" --gtest_brief=1 ${filter:+--gtest_filter=-$filter}) >"$log" 2>&1; }
  run
  status=$?
  # A program that lost its connection to the Wine server before it could
  # report anything did not run its tests: it runs once more.
  if ((status != 0)) && grep -aq '^wine client error' "$log" && ! grep -aq '^\[  PASSED  \]\|^\[  FAILED  \]' "$log"; then
    echo "wine-test: $name lost the Wine server ($(head -1 "$log")); running it again"
    run
    status=$?
  fi
  count "$log"
  if ((status != 0)) || grep -aq '^\[  FAILED  \]' "$log"; then
    failures+=("$name")
    if ! grep -aq '^\[  PASSED  \]\|^\[  FAILED  \]' "$log"; then
      failed=$((failed + 1))  # crashed or hung before its summary
    fi
    echo "wine-test: $name FAILED (exit $status, $((SECONDS - begin)) s); output:"
    tail -40 "$log"
  else
    echo "wine-test: $name ok ($((SECONDS - begin)) s)"
  fi
done

# 2. The host program under Wine.
begin=$SECONDS
rm -f "$win64/frame-runs.bin"
if (cd "$win64" && "$wine" kaf_frame_runs.exe kafilters.dll frame-runs.bin); then
  echo "wine-test: kaf_frame_runs.exe ok ($((SECONDS - begin)) s)"
else
  echo "wine-test: kaf_frame_runs.exe FAILED"
  failures+=("kaf_frame_runs.exe")
  failed=$((failed + 1))
fi

# 3. The Linux side: both images, and the bytes.
log=$win64/linux-test_windows.log
KAF_WIN32_DIR=$win32 KAF_WIN64_DIR=$win64 KAF_OTHER_FRAME_RUNS=$win64/frame-runs.bin \
  "$linux/tests/test_windows" >"$log" 2>&1
status=$?
count "$log"
if ((status != 0)); then
  failures+=("test_windows (Linux)")
  echo "wine-test: Linux test_windows FAILED; output:"
  tail -40 "$log"
else
  echo "wine-test: Linux test_windows ok"
fi

# 4. The 32-bit DLL, the one the host loads.
wine32=/usr/lib/wine/wine
if "$wine32" --version >/dev/null 2>&1; then
  begin=$SECONDS
  rm -f "$win32/frame-runs.bin"
  log=$win32/linux-test_windows.log
  if (cd "$win32" && WINEPATH="Z:${win32//\//\\}" "$wine32" kaf_frame_runs.exe kafilters.dll frame-runs.bin) &&
     KAF_OTHER_FRAME_RUNS=$win32/frame-runs.bin "$linux/tests/test_windows" --gtest_filter='FrameBytes.*' >"$log" 2>&1; then
    count "$log"
    echo "wine-test: 32-bit kaf_frame_runs.exe ok, bytes equal to the Linux module's ($((SECONDS - begin)) s)"
  else
    count "$log"
    failures+=("32-bit kaf_frame_runs.exe")
    echo "wine-test: 32-bit kaf_frame_runs.exe FAILED; output:"
    tail -40 "$log"
  fi
else
  echo "wine-test: ************************************************************"
  echo "wine-test: 32-bit Wine cannot run here ($wine32 does not start: not"
  echo "wine-test: installed, or this kernel refuses 32-bit executables). The"
  echo "wine-test: 32-bit DLL was built but not run; make test32 checks the same"
  echo "wine-test: 32-bit code generation on Linux."
  echo "wine-test: ************************************************************"
fi

echo "wine-test: took $((SECONDS - started)) s"
if ((${#failures[@]})); then echo "wine-test: failing: ${failures[*]}"; fi
echo "wine-test: $passed passed, $failed failed"
((${#failures[@]} == 0))
