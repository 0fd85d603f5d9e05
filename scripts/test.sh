#!/usr/bin/env bash
# The whole test run: packages, the warnings-as-errors build and every test,
# then the transport and protocol tests once under AddressSanitizer with
# UndefinedBehaviorSanitizer and once under ThreadSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh

echo "== build (warnings are errors)"
scripts/build.sh build -DKEL_WERROR=ON
echo "== tests"
(cd build && ctest --output-on-failure -j2 --timeout 300)

if [[ ${KEL_SKIP_SANITIZERS:-0} != 1 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  scripts/build.sh build-asan -DKEL_WERROR=ON -DCMAKE_BUILD_TYPE=Debug "-DKEL_SANITIZE=address,undefined" -- sanitize_tests
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure --no-tests=error -j2 -L sanitize --timeout 600)

  echo "== ThreadSanitizer"
  scripts/build.sh build-tsan -DKEL_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=thread -- sanitize_tests
  (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure --no-tests=error -j2 -L sanitize --timeout 600)
fi
echo "== all tests passed"
