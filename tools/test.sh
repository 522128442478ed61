#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests start their own services
# (X server, sound server, session buses) and stop them again.
#   tools/test.sh [CTEST ARGS]             the normal build in build/
#   tools/test.sh --sanitize [CTEST ARGS]  every test built with the address and undefined-
#                                          behaviour sanitizers, in build-sanitize/
#   tools/test.sh --tsan [CTEST ARGS]      the engine's tests with the thread sanitizer, in
#                                          build-tsan/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sanitizer=
case "${1:-}" in
--sanitize) sanitizer=address; shift ;;
--tsan) sanitizer=thread; shift ;;
esac
if [ -z "$sanitizer" ]; then
    build=$root/build
    "$root/tools/build.sh"
else
    build=$root/build-$([ "$sanitizer" = address ] && echo sanitize || echo tsan)
    "$root/tools/install-deps.sh"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEVARO_SANITIZE=$sanitizer >/dev/null
    # The thread run needs only the engine's tests.
    cmake --build "$build$([ "$sanitizer" = thread ] && echo /tests/engine)" -j2
    supp=$root/tests/sanitize
    # Leaks and races inside the system's libraries (fontconfig, Mesa, PulseAudio, D-Bus) are
    # theirs; ours are reported.
    # Whole allocation stacks: the leak suppressions name frames deep inside Qt, whose
    # libraries the fast unwinder cannot walk.
    export ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0
    export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$supp/tsan.supp
    [ "$sanitizer" = thread ] && set -- -R '^engine\.' "$@"
fi
services="$build/test-services"
# Stop whatever a broken run may have left behind.
trap 'for s in pulse xvfb dbus; do bash "$root/tests/e2e/services.sh" stop $s "$services"; done' EXIT
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
