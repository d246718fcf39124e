#!/usr/bin/env bash
# Hardening stage of CI: the whole test suite under AddressSanitizer +
# UndefinedBehaviorSanitizer (leaks included), the concurrency test under
# ThreadSanitizer, and each libFuzzer target for a fixed time from its
# checked-in corpus. Installs Clang's libFuzzer runtime and libomp when they
# are missing. FUZZ_SECONDS sets the time per fuzz target (default 45).
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
want clang libclang-rt-dev libomp-dev
install_wanted

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
