#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-debian
preset=default
[[ "${CI:-}" == "true" ]] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
export QT_QPA_PLATFORM=offscreen
exec ctest --preset "$preset" -j "$(nproc)"
