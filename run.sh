#!/usr/bin/env bash
# Installs what is missing, builds, and starts Fanbord from the build folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-debian
cmake --preset default >/dev/null
cmake --build --preset default
exec build/program/fanbord
