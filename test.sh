#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-debian test
preset=default windows=windows
[[ "${CI:-}" == "true" ]] && preset=ci windows=windows-ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# The Windows program is cross-built with the pictures and media of the build above.
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows"
export QT_QPA_PLATFORM=offscreen
status=0
ctest --preset "$preset" -j "$(nproc)" || status=1
# Under Wine.
ctest --preset "$windows" -j "$(nproc)" || status=1
exit $status
