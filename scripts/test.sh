#!/usr/bin/env bash
# The test command: installs what is missing, builds twice (plain, and with
# AddressSanitizer + UBSan) and runs every test in both builds.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
bash scripts/setup.sh

bash scripts/build.sh build
(cd build && ctest --output-on-failure --no-tests=error -j "$(nproc)")

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
bash scripts/build.sh build-asan -DLUMRA_SANITIZE=ON -DLUMRA_BENCH=OFF
(cd build-asan && ctest --output-on-failure --no-tests=error -j "$(nproc)")
