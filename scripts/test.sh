#!/bin/sh
# Builds everything for 32-bit x86 (the product) and runs every test through
# ctest, then builds the unit tests for the host with sanitizers and runs them
# again. Installs what it needs first.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

JOBS=${JOBS:-2}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"
# Where this kernel runs no 32-bit x86 programs itself, scripts/setup.sh has
# registered qemu's user mode for them: the suite then runs emulated.
(cd build && ctest --output-on-failure)

# The sanitizer runs use host builds (QEL_HOST_BUILD): ThreadSanitizer has no
# 32-bit x86 runtime.
# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -DQEL_HOST_BUILD=ON -DQEL_SANITIZE=address,undefined \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$JOBS" --target qelpal_tests qelaux_tests lyninst_tests
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -R '_tests$')

# The threads, signal handling and child processes under ThreadSanitizer.
cmake -S . -B build-tsan -DQEL_HOST_BUILD=ON -DQEL_SANITIZE=thread \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-tsan -j"$JOBS" --target qelpal_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/qelpal/qelpal_tests \
    --gtest_filter='Thread*:CoopThread*:Condition*:Lock*:ScopeGuard*:Clock*:*Signal*:HandlerTest*:PalTest*:QelPal*:Child*:Process*:Lifeline*'
