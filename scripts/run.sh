#!/usr/bin/env bash
# The program's main job on a fresh machine: packages, build, then (until the
# client exists) the transport benchmark followed by the reliable echo peer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
scripts/build.sh build
build/app/packudp-bench run
echo "== echo peer on UDP port ${KEL_ECHO_PORT:-23456} (Ctrl-C to stop)"
exec build/app/packudp-bench echo --port "${KEL_ECHO_PORT:-23456}"
