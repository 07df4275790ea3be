#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), checks the sources' formatting, builds with
# AddressSanitizer and UBSan and warnings as errors, and runs every test; without arguments also
# the Debian package's test (scripts/package-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

# The committed .clang-format, on every tracked C++ source.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

build=${ZARVENTO_TEST_BUILD:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZARVENTO_SANITIZE=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$build" && ctest --output-on-failure -j2 "$@")

# The whole suite also makes the Debian package, installs it and backs up with it (as root).
if [ $# -eq 0 ]; then
    bash scripts/package-test.sh
fi
