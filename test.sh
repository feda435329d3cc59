#!/usr/bin/env bash
# Installs what the build needs, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"

. tools/install-deps.sh
dorvi_install_deps clang-format

# One format for the whole tree.
sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z '*.cpp' '*.h'
    else
        find . \( -path './build*' -o -path './.run' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0
    fi
}
unformatted=$(sources | xargs -0 clang-format --dry-run 2>&1 | grep 'warning:' | cut -d: -f1 | sort -u || true)
if [ -n "$unformatted" ]; then
    echo "$unformatted"
    echo "These files are not formatted: run clang-format -i on them." >&2
    exit 1
fi

# The folders include each other one way only.
tools/check-includes.sh

build=${DORVI_TEST_BUILD:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVI_SANITIZE=ON -DDORVI_WERROR=ON \
      -DDORVI_BENCH=ON
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
# LeakSanitizer's scan of the dynamic TLS of libraries loaded at run time
# (the printing plugins) sometimes crashes in GCC 12's runtime; the leak check
# itself stays on.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)"
