#!/usr/bin/env bash
# Takes the manual's pictures (resources/png) and the README screenshot
# (docs/screenshot.png) from the real windows, offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh >/dev/null
mkdir -p docs
build/bin/kalvinora-screenshots resources/png docs/screenshot.png
