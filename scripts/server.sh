#!/usr/bin/env bash
# Starts the community server: packages, build of the server, then kelserver
# from the application folder (arguments are passed on, e.g. --help).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
scripts/build.sh build -- kelserver
exec build/app/kelserver "$@"
