#!/usr/bin/env bash
# The program's main job on a fresh machine: packages, build, then the
# community server (unless one already answers on the hall port) and the
# Room program against it through the staged server list (kelvo_C.key reads
# build/app/ServerList.txt, 127.0.0.1 by default).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
scripts/build.sh build
app="$root/build/app"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  cat <<'TEXT'
run.sh: this machine has no display, so the Room window cannot be shown.
The windows can still be tried without one: the window tests run them on
Qt's offscreen platform against the community server on loopback,

    (cd build && QT_QPA_PLATFORM=offscreen ctest -L shell --output-on-failure)

and write screenshots of the login, registration and hall windows when
KEL_SCREENSHOT_DIR names a folder:

    KEL_SCREENSHOT_DIR=/tmp/kel-shots QT_QPA_PLATFORM=offscreen build/tests/shell_window_tests

The community server alone:  build/app/kelserver --config build/app/kelserver.ini
TEXT
  exit 0
fi

if [[ ! -x $app/Room || ! -x $app/kelserver ]]; then
  echo "run.sh: build/app/Room or build/app/kelserver was not built" >&2
  exit 1
fi

port_hall="$(sed -n 's/^PortHall=\([0-9]*\).*/\1/p' "$app/Config.ini" | head -n1)"

port_hall="${port_hall:-23456}"
server_pid=""
if ss -Hlun "sport = :$port_hall" 2>/dev/null | grep -q .; then
  echo "run.sh: a server already listens on UDP port $port_hall; using it"
else
  server_args=()
  [[ -f $app/kelserver.ini ]] && server_args=(--config "$app/kelserver.ini")
  echo "run.sh: starting the community server (log: build/kelserver.log)"
  "$app/kelserver" "${server_args[@]}" >>"$root/build/kelserver.log" 2>&1 &
  server_pid=$!
  trap '[[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    ss -Hlun "sport = :$port_hall" 2>/dev/null | grep -q . && break
    sleep 0.1
  done
fi
echo "run.sh: demo accounts are listed in README.md (e.g. 10001 / pass10001); 游客登录 enters as a guest"
cd "$app"
"$app/Room" "$@"
