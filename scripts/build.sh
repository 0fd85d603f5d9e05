#!/usr/bin/env bash
# Configures and builds one tree. Usage: build.sh DIR [extra cmake args...] [-- targets...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$1"; shift
cmake_args=(); targets=()
while (($#)); do
  if [[ $1 == -- ]]; then shift; targets=("$@"); break; fi
  cmake_args+=("$1"); shift
done
cmake -S "$root" -B "$dir" -G Ninja "${cmake_args[@]}" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
ninja -C "$dir" -j "${KEL_JOBS:-2}" "${targets[@]}"
