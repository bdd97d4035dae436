#!/usr/bin/env bash
# Runs the real program end to end: a private network namespace whose /etc/hosts points the
# monitored hosts and the two reference sites at local web servers, a virtual display with a tray
# host, and an accessibility bus through which the scenarios read and drive the window.
#
# usage: run.sh PROGRAM [SCENARIO NUMBER...]
# Screenshots go to the program's folder, under screenshots/ (ORVALIS_E2E_SCREENSHOTS overrides).
# Exit code: 0 all passed, 1 a scenario failed, 77 skipped (not root, or no namespaces here).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3
skip_code=77

skip() {
    echo "skipped: $*"
    exit "$skip_code"
}

if [[ "${ORVALIS_E2E_INNER:-}" != 1 ]]; then
    [[ $# -ge 1 ]] || { echo "usage: $0 PROGRAM [SCENARIO...]" >&2; exit 2; }
    program=$(realpath "$1")
    shift
    [[ -x "$program" ]] || { echo "not an executable: $program" >&2; exit 2; }
    [[ $(id -u) -eq 0 ]] || skip "the end-to-end run needs root for its private network namespace"
    for tool in unshare ip mount Xvfb trayer xdotool import dbus-run-session \
        /usr/libexec/at-spi-bus-launcher "$python"; do
        command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh)"
    done
    "$python" -c 'import pyatspi, Xlib' 2>/dev/null || skip "python3-pyatspi or python3-xlib missing"
    unshare --net --mount true 2>/dev/null || skip "unshare --net --mount is not permitted here"
    export ORVALIS_E2E_INNER=1
    export ORVALIS_E2E_SCREENSHOTS="${ORVALIS_E2E_SCREENSHOTS:-$(dirname "$program")/screenshots}"
    exec unshare --net --mount --propagation private "$0" "$program" "$@"
fi

# From here on: inside the namespace.
program=$1
shift

work=$(mktemp -d /tmp/orvalis-e2e.XXXXXX)
pids=()
# Every process this run started, children first.
descendants() {
    local child
    for child in $(ps -o pid= --ppid "$1"); do
        descendants "$child"
        echo "$child"
    done
}
cleanup() {
    local pid
    pids=($(for pid in "${pids[@]}"; do descendants "$pid"; echo "$pid"; done))
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do
        # bounded: a process that ignores TERM gets KILL after two seconds
        for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    umount /etc/hosts 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Polls until a command succeeds; gives up after the given number of seconds.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if ((SECONDS >= deadline)); then
            echo "FAIL setup: $what did not happen within ${seconds}s" >&2
            exit 1
        fi
        sleep 0.05
    done
}

ip link set lo up

# Nothing may leave the machine, nor go through a proxy.
unset http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY \
    ALL_PROXY NO_PROXY

cat >"$work/hosts" <<'EOF'
127.0.0.1       localhost
127.0.1.1       site1.test
127.0.1.2       site2.test
127.0.1.3       missing.test
127.0.1.4       dead.test
127.0.1.5       silent.test
127.0.2.1       www.wikipedia.org
127.0.2.2       www.debian.org
EOF
mount --bind "$work/hosts" /etc/hosts

"$python" "$here/local_servers.py" --ready "$work/servers.ready" \
    --silent-log "$work/silent.log" \
    127.0.1.1=page 127.0.1.2=page 127.0.1.3=missing 127.0.1.5=silent \
    127.0.2.1=page 127.0.2.2=page &
pids+=($!)
wait_for 10 "the local web servers" test -s "$work/servers.ready"

# Xvfb picks a free display itself and writes its number to the given descriptor.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 10 "Xvfb" test -s "$work/display"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

trayer --edge bottom --align right --widthtype pixel --width 200 --height 24 \
    >"$work/trayer.log" 2>&1 &
pids+=($!)

# A browser stand-in that records what it was asked to open.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<'EOF'
#!/bin/sh
printf '%s\n' "$*" >>"${ORVALIS_E2E_OPENED:-/dev/null}"
EOF
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

export ORVALIS_E2E_WORK="$work"
export ORVALIS_E2E_SILENT_LOG="$work/silent.log"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_CURRENT_DESKTOP SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

# The accessibility bus must answer before any program starts, or Qt would never join it.
dbus-run-session -- bash -c '
    python=$1 here=$2
    shift 2
    exec 2>&3 3>&-
    /usr/libexec/at-spi-bus-launcher --launch-immediately >>"$ORVALIS_E2E_WORK/dbus.log" 2>&1 &
    launcher=$!
    trap "kill $launcher 2>/dev/null" EXIT
    deadline=$((SECONDS + 10))
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true; do
        ((SECONDS < deadline)) || { echo "FAIL setup: no accessibility bus" >&2; exit 1; }
        sleep 0.05
    done
    "$python" "$here/scenarios.py" "$@"
' bash "$python" "$here" "$program" "$@" 3>&2 2>"$work/dbus.log" &
pids+=($!)
# Waiting in the background keeps the INT and TERM traps working while the scenarios run.
status=0
wait "${pids[-1]}" || status=$?
exit "$status"
