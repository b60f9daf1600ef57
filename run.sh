#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fanbord from the build folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-debian run
# A fresh build leaves the tests out, which need more than running does; a
# build that ./test.sh has set up keeps them, so neither undoes the other.
testing=$(sed -n 's/^BUILD_TESTING:BOOL=//p' build/CMakeCache.txt 2>/dev/null || true)
cmake --preset default -DBUILD_TESTING="${testing:-OFF}" >/dev/null
cmake --build --preset default --target fanbord
exec build/program/fanbord
