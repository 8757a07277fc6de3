#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kalvinora.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh kalvinora kalvinora-cli
exec build/bin/kalvinora "$@"
