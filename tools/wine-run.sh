#!/usr/bin/env bash
# Runs a Windows test program under 64-bit Wine on a virtual X display:
#   tools/wine-run.sh <program.exe> [args...]   runs it, passing its exit code
#   tools/wine-run.sh --start                   only makes sure Xvfb, the
#                                                wineserver and the prefix are up
# Programs run in slots, build/wine/slot<N>/ of this checkout, one program per
# slot at a time (flock): each slot has its own Xvfb display, persistent
# wineserver and Wine prefix, so programs running at once (parallel ctest jobs,
# or two people's test runs) never see each other's windows or pixels. A
# slot's Xvfb and wineserver are started the first time and reused.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
STATE_ROOT="$ROOT/build/wine"
SLOTS=2
WINE64=/usr/lib/wine/wine64
SERVER_BIN=/usr/lib/wine/wineserver64

export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries written to the host.
# No debugger either: a test program that crashes ends at once with a
# failure instead of waiting in winedbg until the test times out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# Bumped when the prefix set-up below changes, so old prefixes get it too.
PREFIX_VERSION=2
unset WINEARCH WINESERVER WINELOADER

die() { echo "wine-run: $*" >&2; exit 125; }

[[ -x "$WINE64" ]] || die "$WINE64 not found (run tools/bootstrap.sh)"
[[ -x "$SERVER_BIN" ]] || die "$SERVER_BIN not found (run tools/bootstrap.sh)"
command -v Xvfb >/dev/null || die "Xvfb not found (run tools/bootstrap.sh)"
mkdir -p "$STATE_ROOT" || die "cannot create $STATE_ROOT"

# Takes slot $1 (waiting for it) or any free one; the lock is held on fd 8
# for as long as this script runs, and is closed in every child.
use_slot() {
    STATE="$STATE_ROOT/slot$1"
    mkdir -p "$STATE" || die "cannot create $STATE"
    export WINEPREFIX="$STATE/prefix"
}
take_slot() {
    local s
    for ((s = 0; s < SLOTS; s++)); do
        exec 8>"$STATE_ROOT/slot$s.lock" || die "cannot open $STATE_ROOT/slot$s.lock"
        if flock -n 8; then use_slot "$s"; return; fi
        exec 8>&-
    done
    s=$(($$ % SLOTS))
    exec 8>"$STATE_ROOT/slot$s.lock" || die "cannot open $STATE_ROOT/slot$s.lock"
    flock -w 3600 8 || die "timed out waiting for a Wine slot"
    use_slot "$s"
}

# The recorded Xvfb is usable if its process is alive and its socket exists.
xvfb_alive() {
    local pid display
    [[ -f "$STATE/xvfb.pid" && -f "$STATE/xvfb.display" ]] || return 1
    pid=$(<"$STATE/xvfb.pid"); display=$(<"$STATE/xvfb.display")
    [[ "$pid" =~ ^[0-9]+$ && "$display" =~ ^[0-9]+$ ]] || return 1
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xvfb ]] || return 1
    [[ -S "/tmp/.X11-unix/X$display" ]] || return 1
}

# Xvfb picks a free display number itself and writes it to -displayfd.
start_xvfb() {
    local numfile="$STATE/xvfb.displayfd" pid display i
    rm -f "$numfile" "$STATE/xvfb.pid" "$STATE/xvfb.display"
    : >"$numfile"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$numfile" </dev/null >"$STATE/xvfb.log" 2>&1 8>&- 9>&- &
    pid=$!
    for ((i = 0; i < 200; i++)); do
        display=$(tr -dc 0-9 <"$numfile")
        if [[ -n "$display" && -S "/tmp/.X11-unix/X$display" ]]; then
            echo "$pid" >"$STATE/xvfb.pid"
            echo "$display" >"$STATE/xvfb.display"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill "$pid" 2>/dev/null
    die "Xvfb did not start (see $STATE/xvfb.log)"
}

start_up() {
    exec 9>"$STATE/lock" || die "cannot open $STATE/lock"
    flock -w 600 9 || die "timed out waiting for $STATE/lock"

    local fresh_display=0
    if ! xvfb_alive; then
        start_xvfb
        fresh_display=1
    fi
    export DISPLAY=":$(<"$STATE/xvfb.display")"

    # Wine's processes are bound to the display they started on: after a new
    # Xvfb, the old server (if any) and its desktop go.
    if (( fresh_display )); then
        "$SERVER_BIN" -k </dev/null >/dev/null 2>&1 8>&- 9>&-
        "$SERVER_BIN" -w </dev/null >/dev/null 2>&1 8>&- 9>&-
    fi
    # A no-op when the persistent server of this prefix is already running.
    mkdir -p "$WINEPREFIX"
    "$SERVER_BIN" -p </dev/null >>"$STATE/wineserver.log" 2>&1 8>&- 9>&-

    if [[ "$(cat "$STATE/prefix.ready" 2>/dev/null)" != "$PREFIX_VERSION" ]]; then
        echo "wine-run: setting up the Wine prefix in $WINEPREFIX" >&2
        "$WINE64" wineboot -i </dev/null >"$STATE/wineboot.log" 2>&1 8>&- 9>&- \
            || die "wineboot failed (see $STATE/wineboot.log)"
        # Windows not handed to an X window manager: there is none on Xvfb, and
        # without this Wine waits 2 s for one at every DestroyWindow.
        "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$STATE/wineboot.log" 2>&1 8>&- 9>&- \
            || die "prefix settings failed (see $STATE/wineboot.log)"
        echo "$PREFIX_VERSION" >"$STATE/prefix.ready"
    fi

    flock -u 9
    exec 9>&-
}

if [[ "${1-}" == "--start" ]]; then
    for ((slot = 0; slot < SLOTS; slot++)); do
        exec 8>"$STATE_ROOT/slot$slot.lock" && flock -w 3600 8 || die "cannot lock slot $slot"
        use_slot "$slot"
        start_up
        exec 8>&-
    done
    exit 0
fi
(( $# >= 1 )) || die "usage: wine-run.sh <program.exe> [args...] | --start"
[[ -f "$1" ]] || die "no such program: $1"

take_slot
start_up
"$WINE64" "$@" 8>&-
exit $?
