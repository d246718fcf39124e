#!/usr/bin/env bash
# Hardening stage of CI: the whole test suite under AddressSanitizer +
# UndefinedBehaviorSanitizer (leaks included), the concurrency test under
# ThreadSanitizer, and each libFuzzer target for a fixed time from its
# checked-in corpus. Installs Clang's libFuzzer runtime and libomp when they
# are missing. FUZZ_SECONDS sets the time per fuzz target (default 45).
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
want() { dpkg -s "$1" >/dev/null 2>&1 || need+=("$1"); }
want clang
want libclang-rt-dev
want libomp-dev
if ((${#need[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  # Another install may hold the package lock for a while: wait for it.
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    if apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}"; then break; fi
    [[ $attempt == 10 ]] && exit 1
    sleep 30
  done
fi

stage() {
  local start=$SECONDS
  echo "=== hardening: $1"
  shift
  "$@"
  echo "=== hardening: done in $((SECONDS - start)) s"
}
stage "ASan + UBSan test suite" make asan-test
stage "TSan concurrency test" make tsan-test
stage "bounded fuzzing" make fuzz FUZZ_SECONDS="${FUZZ_SECONDS:-45}"
