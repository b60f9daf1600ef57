#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fanbord from the build folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-debian run
# Without the tests, which need more than running does.
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default
exec build/program/fanbord
