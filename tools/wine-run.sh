#!/usr/bin/env bash
# Runs a Windows test program under Wine on a virtual X display:
#   tools/wine-run.sh <program.exe> [args...]   runs it, passing its exit code
#   tools/wine-run.sh --start                   only makes sure Xvfb, the
#                                                wineserver and the prefix are up
#   tools/wine-run.sh --stop                    ends the idle slots' Xvfb and
#                                                wineserver (prefixes stay)
# A 32-bit program runs under 32-bit Wine (build/wine32-root/, put there by
# tools/wine32-setup.sh) as a real 32-bit process of the WoW64 prefix; a
# 64-bit one under the system's wine64. Both share one prefix and wineserver.
# Programs run in slots, build/wine/slot<N>/ of this checkout, one program per
# slot at a time (flock): each slot has its own Xvfb display, persistent
# wineserver and Wine prefix, so programs running at once (parallel ctest jobs,
# or two people's test runs) never see each other's windows or pixels. A
# slot's Xvfb and wineserver are started the first time and reused.
# ORVALE_WINE_SCREENS and ORVALE_WINE_LOCALE (below) choose slots of their own.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
STATE_ROOT="$ROOT/build/wine"
# Six: the test command runs the 32-bit and the 64-bit suite side by side,
# three programs each.
SLOTS=6
# Two monitors of unequal size, for the tests that need them:
# ORVALE_WINE_SCREENS="1280x1024 800x600" runs the program in a slot of its
# own, "screens", whose display is a Xephyr with those screens side by side
# (Xinerama, no RandR) inside an Xvfb: Wine then sees two monitors, and the
# rectangle around them holds an area that neither shows. Xvfb's own
# Xinerama would put every screen at 0,0.
SCREENS=${ORVALE_WINE_SCREENS:-}
# Another ANSI code page, for the tests that need one: ORVALE_WINE_LOCALE=
# ja_JP.UTF-8 (Japanese, code page 932) runs the program in a slot of its own,
# "locale-ja_JP.UTF-8", whose wineserver and programs run in that C library
# locale, from which Wine takes the Windows locale and its code pages. The
# locale is compiled once into build/wine/locales/ (localedef, from Debian's
# locales package), so the machine needs no generated locale of its own.
LOCALE=${ORVALE_WINE_LOCALE:-}
# The locale slot --start brings up with the others: the one the tests use.
START_LOCALE=ja_JP.UTF-8
WINE64=/usr/lib/wine/wine64
SERVER_BIN=/usr/lib/wine/wineserver64
W32="$ROOT/build/wine32-root"
WINE32="$W32/usr/lib/wine/wine"

export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no menu entries written to the host.
# No debugger either: a test program that crashes ends at once with a
# failure instead of waiting in winedbg until the test times out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# Bumped when the prefix set-up below changes, so old prefixes are made anew.
PREFIX_VERSION=4
unset WINEARCH
export WINELOADER="$WINE64"
# Whichever loader starts first, the server is the 64-bit one.
export WINESERVER="$SERVER_BIN"

# 32-bit Wine, where it is installed and the machine runs 32-bit programs
# (ORVALE_NO_32BIT=1 makes it count as one that does not). Its libraries come
# first for the 32-bit loader (the 64-bit one passes over them); its PE DLLs
# through WINEDLLPATH; its loaders first on PATH.
# A tree unpacked on a machine (or a boot) that ran 32-bit programs is no
# proof that this one does: the machine is asked too.
HAVE32=0
if [[ -f "$W32/.ready" && -x "$WINE32" ]] && "$ROOT/tools/wine32-setup.sh" --check 2>/dev/null; then
    HAVE32=1
    export PATH="$W32/bin-wine:$PATH"
    export LD_LIBRARY_PATH="$W32/usr/lib/i386-linux-gnu:$W32/lib/i386-linux-gnu${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    export WINEDLLPATH="$W32/usr/lib/i386-linux-gnu/wine"
fi
# What the prefix was made with: a prefix made without the 32-bit side is made
# anew once 32-bit Wine is there.
PREFIX_KIND="$PREFIX_VERSION $( ((HAVE32)) && echo wow64 || echo win64)"

die() { echo "wine-run: $*" >&2; exit 125; }

[[ -x "$WINE64" ]] || die "$WINE64 not found (run tools/bootstrap.sh)"
[[ -x "$SERVER_BIN" ]] || die "$SERVER_BIN not found (run tools/bootstrap.sh)"
command -v Xvfb >/dev/null || die "Xvfb not found (run tools/bootstrap.sh)"
mkdir -p "$STATE_ROOT" || die "cannot create $STATE_ROOT"
if [[ -n "$LOCALE" ]]; then
    [[ "$LOCALE" =~ ^[A-Za-z_]+\.[A-Za-z0-9-]+$ ]] || die "ORVALE_WINE_LOCALE=$LOCALE is no <language>_<country>.<charset>"
    [[ -z "$SCREENS" ]] || die "ORVALE_WINE_SCREENS and ORVALE_WINE_LOCALE together: there is no such slot"
fi

# Compiles $LOCALE once into build/wine/locales/$LOCALE (beside its place,
# then moved there whole, its .ready mark last) and puts this script's
# processes, the slot's wineserver and programs, in it.
use_locale() {
    local dir="$STATE_ROOT/locales" source=${LOCALE%%.*} charset=${LOCALE#*.}
    if [[ ! -f "$dir/$LOCALE/.ready" ]]; then
        mkdir -p "$dir" && exec 7>"$dir/lock" || die "cannot open $dir/lock"
        flock -w 600 7 || die "timed out waiting for $dir/lock"
        if [[ ! -f "$dir/$LOCALE/.ready" ]]; then
            command -v localedef >/dev/null || die "localedef not found (Debian's libc-bin)"
            [[ -f "/usr/share/i18n/locales/$source" ]] \
                || die "no locale source /usr/share/i18n/locales/$source (Debian's locales; run tools/bootstrap.sh)"
            rm -rf "$dir/$LOCALE" "$dir/$LOCALE.new"
            localedef -i "$source" -f "$charset" "$dir/$LOCALE.new" >"$dir/$LOCALE.log" 2>&1 7>&- 8>&- 9>&- \
                || die "localedef could not make $LOCALE (see $dir/$LOCALE.log)"
            mv "$dir/$LOCALE.new" "$dir/$LOCALE" && : >"$dir/$LOCALE/.ready" || die "cannot keep $dir/$LOCALE"
        fi
        exec 7>&-
    fi
    # For the processes this script starts; bash itself, which stays in its
    # own locale, would warn that it cannot take this one.
    { export LOCPATH="$dir" LANG="$LOCALE" LC_ALL="$LOCALE"; } 2>/dev/null
}

# Takes slot $1 (waiting for it) or any free one; the lock is held on fd 8
# for as long as this script runs, and is closed in every child. use_slot's
# --stopping: only to end the slot's processes, which need no locale.
use_slot() {
    STATE="$STATE_ROOT/$1"
    mkdir -p "$STATE" || die "cannot create $STATE"
    export WINEPREFIX="$STATE/prefix"
    if [[ "$1" == locale-* && "${2-}" != --stopping ]]; then
        LOCALE=${1#locale-}
        use_locale
    fi
}
take_slot() {
    local s
    if [[ -n "$SCREENS" ]]; then
        exec 8>"$STATE_ROOT/screens.lock" || die "cannot open $STATE_ROOT/screens.lock"
        flock -w 3600 8 || die "timed out waiting for the two-monitor slot"
        use_slot screens
        return
    fi
    if [[ -n "$LOCALE" ]]; then
        exec 8>"$STATE_ROOT/locale-$LOCALE.lock" || die "cannot open $STATE_ROOT/locale-$LOCALE.lock"
        flock -w 3600 8 || die "timed out waiting for the $LOCALE slot"
        use_slot "locale-$LOCALE"
        return
    fi
    for ((s = 0; s < SLOTS; s++)); do
        exec 8>"$STATE_ROOT/slot$s.lock" || die "cannot open $STATE_ROOT/slot$s.lock"
        if flock -n 8; then use_slot "slot$s"; return; fi
        exec 8>&-
    done
    s=$(($$ % SLOTS))
    exec 8>"$STATE_ROOT/slot$s.lock" || die "cannot open $STATE_ROOT/slot$s.lock"
    flock -w 3600 8 || die "timed out waiting for a Wine slot"
    use_slot "slot$s"
}

# The recorded display server (Xvfb, or the two-monitor slot's Xephyr) is
# usable if its process is alive and its socket exists.
xvfb_alive() {
    local pid display
    [[ -f "$STATE/xvfb.pid" && -f "$STATE/xvfb.display" ]] || return 1
    pid=$(<"$STATE/xvfb.pid"); display=$(<"$STATE/xvfb.display")
    [[ "$pid" =~ ^[0-9]+$ && "$display" =~ ^[0-9]+$ ]] || return 1
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == X* ]] || return 1
    [[ -S "/tmp/.X11-unix/X$display" ]] || return 1
}

# Starts an X server ($1 its name, the rest its arguments) that picks a free
# display number itself and writes it to -displayfd; sets pid and display.
start_display() {
    local name=$1 numfile="$STATE/$1.displayfd" i
    shift
    : >"$numfile"
    setsid "$name" -displayfd 3 "$@" -nolisten tcp -noreset \
        3>"$numfile" </dev/null >"$STATE/$name.log" 2>&1 8>&- 9>&- &
    pid=$!
    for ((i = 0; i < 200; i++)); do
        display=$(tr -dc 0-9 <"$numfile")
        [[ -n "$display" && -S "/tmp/.X11-unix/X$display" ]] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill "$pid" 2>/dev/null
    die "$name did not start (see $STATE/$name.log)"
}

start_xvfb() {
    local pid display outer screens=() size
    rm -f "$STATE/xvfb.pid" "$STATE/xvfb.display" "$STATE/outer.pid"
    if [[ -z "$SCREENS" ]]; then
        start_display Xvfb -screen 0 1280x1024x24
    else
        command -v Xephyr >/dev/null || die "Xephyr not found (run tools/bootstrap.sh)"
        start_display Xvfb -screen 0 4096x2048x24
        echo "$pid" >"$STATE/outer.pid"
        outer=$display
        for size in $SCREENS; do screens+=(-screen "$size"); done
        DISPLAY=":$outer" start_display Xephyr "${screens[@]}" +xinerama -extension RANDR
    fi
    echo "$pid" >"$STATE/xvfb.pid"
    echo "$display" >"$STATE/xvfb.display"
}

quiet() { "$@" </dev/null >>"$STATE/wineboot.log" 2>&1 8>&- 9>&-; }

# Ends this prefix's server and every Wine process of it, and waits for them.
stop_server() {
    "$SERVER_BIN" -k </dev/null >/dev/null 2>&1 8>&- 9>&-
    "$SERVER_BIN" -w </dev/null >/dev/null 2>&1 8>&- 9>&-
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
        stop_server
    fi

    # The prefix is made once, completely, with nothing else running in it:
    # wineboot and the processes it starts (services, the devices, the
    # desktop, and on the 32-bit side syswow64's set-up) all end before the
    # prefix counts as ready. A program started while wineboot was still at
    # work used to boot a second session beside it (two services.exe, no
    # RpcSs), and every later program that needed RpcSs waited 20 s for it.
    if [[ "$(cat "$STATE/prefix.ready" 2>/dev/null)" != "$PREFIX_KIND" ]]; then
        echo "wine-run: setting up the Wine prefix in $WINEPREFIX ($PREFIX_KIND)" >&2
        stop_server
        rm -rf "$WINEPREFIX" "$STATE/prefix.ready"
        mkdir -p "$WINEPREFIX"
        : >"$STATE/wineboot.log"
        quiet "$WINE64" wineboot -i || die "wineboot failed (see $STATE/wineboot.log)"
        # Windows not handed to an X window manager: there is none on Xvfb, and
        # without this Wine waits 2 s for one at every DestroyWindow.
        quiet "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            || die "prefix settings failed (see $STATE/wineboot.log)"
        # No game controllers: the SDL loop of the device driver polls every
        # millisecond, 2% of a processor per slot for as long as it is up.
        quiet "$WINE64" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f \
            || die "prefix settings failed (see $STATE/wineboot.log)"
        # The 32-bit side: a 32-bit program of the prefix (syswow64's reg.exe)
        # starts and reads the setting back. Under qemu-i386 (see
        # wine32-setup.sh) wineboot's 32-bit half finds no builtin DLL without
        # its file and leaves syswow64 empty: the tree's own PE DLLs, and the
        # zlib1.dll they use, are put there instead.
        if (( HAVE32 )); then
            local wow="$WINEPREFIX/drive_c/windows/syswow64"
            if [[ ! -e "$wow/kernel32.dll" ]]; then
                local zlib=/usr/lib/x86_64-linux-gnu/wine/i386-windows/zlib1.dll   # marked builtin
                [[ -f "$zlib" ]] || zlib="$W32/usr/i686-w64-mingw32/lib/zlib1.dll"
                mkdir -p "$wow" && cp -n "$W32/usr/lib/i386-linux-gnu/wine/i386-windows/"* "$zlib" "$wow/" \
                    || die "cannot fill $wow"
            fi
            WINELOADER="$WINE32" quiet "$WINE32" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed \
                || die "32-bit Wine does not run in the prefix (see $STATE/wineboot.log)"
        fi
        "$SERVER_BIN" -w </dev/null >/dev/null 2>&1 8>&- 9>&-
        echo "$PREFIX_KIND" >"$STATE/prefix.ready"
    fi

    # A no-op when the persistent server of this prefix is already running.
    "$SERVER_BIN" -p </dev/null >>"$STATE/wineserver.log" 2>&1 8>&- 9>&-
    # The session (services, devices, desktop) starts with its first program
    # and stays with the persistent server; start it here, outside any test's
    # clock.
    if (( fresh_display )) || [[ "${1-}" == boot ]]; then
        quiet "$WINE64" cmd /c exit
    fi

    flock -u 9
    exec 9>&-
}

if [[ "${1-}" == "--start" ]]; then
    # Each slot has its own server and prefix: they are made side by side,
    # the two-monitor slot's and the code-page slot's too.
    pids=()
    for slot in $(seq -f "slot%g" 0 $((SLOTS - 1))) screens "locale-$START_LOCALE"; do
        (
            SCREENS=""
            [[ "$slot" == screens ]] && SCREENS=${ORVALE_WINE_SCREENS:-"1280x1024 800x600"}
            exec 8>"$STATE_ROOT/$slot.lock" && flock -w 3600 8 || die "cannot lock $slot"
            use_slot "$slot"
            start_up boot
        ) &
        pids+=($!)
    done
    rc=0
    for pid in "${pids[@]}"; do wait "$pid" || rc=1; done
    exit $rc
fi
if [[ "${1-}" == "--stop" ]]; then
    # A slot in use by a program is left alone.
    for slot in $(seq -f "slot%g" 0 $((SLOTS - 1))) screens $(cd "$STATE_ROOT" && compgen -G 'locale-*/' | tr -d /); do
        [[ -d "$STATE_ROOT/$slot" ]] || continue
        (
            exec 8>"$STATE_ROOT/$slot.lock" && flock -n 8 || exit 0
            use_slot "$slot" --stopping
            stop_server
            if xvfb_alive; then
                kill "$(<"$STATE/xvfb.pid")" 2>/dev/null
            fi
            [[ -f "$STATE/outer.pid" ]] && kill "$(<"$STATE/outer.pid")" 2>/dev/null
            rm -f "$STATE/xvfb.pid" "$STATE/xvfb.display" "$STATE/outer.pid"
        )
    done
    exit 0
fi
(( $# >= 1 )) || die "usage: wine-run.sh <program.exe> [args...] | --start | --stop"
[[ -f "$1" ]] || die "no such program: $1"

# The machine word of the PE header: 014c for a 32-bit program, 8664 for 64-bit.
pe_machine() {
    local at
    at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [[ "$at" =~ ^[0-9]+$ ]] || return
    od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
loader=$WINE64
if [[ "$(pe_machine "$1")" == 014c ]]; then
    (( HAVE32 )) || die "$1 is a 32-bit program and this machine has no 32-bit Wine (tools/wine32-setup.sh)"
    loader=$WINE32
fi

take_slot
start_up
# The program's standard error goes through a file, copied out as it grows
# until the program ends. Processes Wine starts on a program's behalf (the
# desktop, services, RpcSs) inherit its standard error and outlive it, the
# desktop for as long as later programs in the slot keep it busy, the
# services for as long as the session lasts: on a pipe, whoever waits for
# the pipe's end (ctest, `| tee`) waited for them, up to the test's timeout.
# Their standard output is already /dev/null.
err=$(mktemp "$STATE/stderr.XXXXXX") || die "cannot make a file in $STATE"
WINELOADER="$loader" "$loader" "$@" 2>"$err" 8>&- &
pid=$!
# Stopped (a test's timeout), the runner stops its program too.
trap 'kill -TERM "$pid" 2>/dev/null; exit 143' TERM INT HUP
tail -s 0.05 -n +1 -f --pid="$pid" "$err" >&2 8>&- &
copier=$!
wait "$pid"
rc=$?
wait "$copier"
rm -f "$err"
exit $rc
