#!/usr/bin/env bash
# Builds the deliverables (driver library and installer) in Release.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_TESTS=OFF
cmake --build build/release -j "$(nproc)"
