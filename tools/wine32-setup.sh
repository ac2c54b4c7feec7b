#!/usr/bin/env bash
# Puts Debian's 32-bit Wine, the same version as the installed wine64, into
# build/wine32-root/ of this checkout, without touching the machine's own
# packages:
#   tools/wine32-setup.sh           installs it once (a no-op when it is there)
#   tools/wine32-setup.sh --check   only tells whether this machine runs
#                                   32-bit programs
# Exit codes: 0 ready (or, with --check, able), 2 this machine cannot run
# 32-bit programs, 1 anything else went wrong.
#
# Why not `dpkg --add-architecture i386 && apt-get install wine32:i386`: the
# i386 package lists are newer than the machine's installed amd64 packages, and
# the multi-arch version lock makes apt upgrade 60 to 70 of the machine's own
# packages (systemd, libssl3, zlib1g, ...) along with it. Here a private apt
# configuration (its own architecture, lists and empty status, the machine's
# sources) resolves the closure of wine32:i386 and libwine:i386 at wine64's
# version, `apt-get download` fetches it and `dpkg-deb -x` unpacks it. Nothing
# outside build/ changes. libc6:i386 is left out: the machine's libc6-i386
# (bootstrap installs it) provides the 32-bit C library that matches its own
# /lib/ld-linux.so.2. tools/wine-run.sh runs the tree's loader.
#
# ORVALE_NO_32BIT=1 makes this machine count as one that cannot run 32-bit
# programs (to try what the test command does there).
#
# A machine whose kernel runs no 32-bit code (IA-32 emulation off) runs the
# 32-bit programs under Debian's qemu-user-static instead, registered with the
# kernel's binfmt_misc as the handler of i386 ELF files (root only; it stays
# registered until the next boot, or until
# `echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386`). The product is then still
# what the tests load, at about a minute per program start.
# ORVALE_EMULATE_32BIT=0 leaves such a machine without 32-bit programs.
set -uo pipefail
export DEBIAN_FRONTEND=noninteractive

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TREE="$ROOT/build/wine32-root"
WORK="$ROOT/build/wine32-work"
# X extensions Wine's display driver loads when they are there; the 64-bit side
# has them as libwine's recommended packages, so both bitnesses draw alike.
EXTRAS=(libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1)

say() { echo "wine32-setup: $*" >&2; }

# A 32-bit program of the machine itself: the 32-bit dynamic loader, which
# prints its version only if the kernel executes 32-bit code.
can_run_32bit() {
    [[ "${ORVALE_NO_32BIT:-0}" == 0 ]] || { WHY="ORVALE_NO_32BIT is set"; return 1; }
    [[ -x /lib/ld-linux.so.2 ]] || { WHY="no 32-bit C library (libc6-i386)"; return 1; }
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 \
        || { WHY="the kernel does not run 32-bit programs"; return 1; }
}

# The kernel refuses i386 ELF files: qemu-i386 runs them.
emulate_32bit() {
    [[ "${ORVALE_EMULATE_32BIT:-1}" == 1 && "${ORVALE_NO_32BIT:-0}" == 0 ]] || return 1
    [[ -x /lib/ld-linux.so.2 ]] || return 1
    local handler=/proc/sys/fs/binfmt_misc/qemu-i386
    if [[ ! -e "$handler" ]]; then
        (( EUID == 0 )) || { say "registering qemu-i386 for 32-bit programs needs root"; return 1; }
        if [[ ! -x /usr/bin/qemu-i386-static ]]; then
            say "installing qemu-user-static to run 32-bit programs"
            DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q qemu-user-static \
                >/dev/null 2>&1 || { say "installing qemu-user-static failed"; return 1; }
        fi
        [[ -e /proc/sys/fs/binfmt_misc/register ]] \
            || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null \
            || { say "binfmt_misc cannot be mounted"; return 1; }
        # ELF, 32-bit, little-endian, executable or shared object, i386; F: the
        # interpreter is opened now, so it serves in every mount namespace.
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            >/proc/sys/fs/binfmt_misc/register 2>/dev/null || { say "registering qemu-i386 failed"; return 1; }
        say "32-bit programs run under qemu-i386 (binfmt_misc)"
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}
if ! can_run_32bit && [[ "$WHY" == "the kernel does not run 32-bit programs" ]]; then
    emulate_32bit || true
fi

if [[ "${1-}" == "--check" ]]; then
    can_run_32bit || { say "cannot run 32-bit programs ($WHY)"; exit 2; }
    exit 0
fi

# Said by the commands that would have run 32-bit programs, once.
can_run_32bit || exit 2

version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) \
    || { say "wine64 is not installed (run tools/bootstrap.sh)"; exit 1; }
[[ "$(cat "$TREE/.ready" 2>/dev/null)" == "$version" ]] && exit 0

mkdir -p "$ROOT/build" || exit 1
exec 7>"$ROOT/build/wine32-root.lock" && flock -w 900 7 || { say "cannot lock build/wine32-root.lock"; exit 1; }
[[ "$(cat "$TREE/.ready" 2>/dev/null)" == "$version" ]] && exit 0

say "installing 32-bit Wine $version into $TREE"
rm -rf "$WORK" "$TREE"
mkdir -p "$WORK/apt/lists/partial" "$WORK/apt/archives/partial" "$WORK/apt/state" "$WORK/debs" || exit 1
: >"$WORK/apt/status"
APT=(-q -o APT::Architecture=i386 -o APT::Architectures::=i386
     -o Dir::State="$WORK/apt/state" -o Dir::State::Lists="$WORK/apt/lists"
     -o Dir::State::status="$WORK/apt/status" -o Dir::Cache="$WORK/apt/cache"
     -o Dir::Cache::archives="$WORK/apt/archives" -o APT::Install-Recommends=false
     -o APT::Sandbox::User=root)

apt-get "${APT[@]}" update >"$WORK/apt.log" 2>&1 \
    || { cat "$WORK/apt.log" >&2; say "apt-get update (i386 lists, private) failed"; exit 1; }
# The closure as apt would install it on an empty i386 system, at exact versions.
apt-get "${APT[@]}" -s install "wine32=$version" "libwine=$version" "${EXTRAS[@]}" \
    >"$WORK/resolve.log" 2>&1 \
    || { cat "$WORK/resolve.log" >&2; say "32-bit Wine $version is not in Debian's i386 lists"; exit 1; }
mapfile -t wanted < <(sed -nE 's/^Inst ([^ ]+) \(([^ ]+) .*/\1=\2/p' "$WORK/resolve.log" | grep -v '^libc6=')
(( ${#wanted[@]} > 0 )) || { say "nothing resolved (see $WORK/resolve.log)"; exit 1; }
( cd "$WORK/debs" && apt-get "${APT[@]}" download "${wanted[@]}" ) >>"$WORK/apt.log" 2>&1 \
    || { tail -n 20 "$WORK/apt.log" >&2; say "downloading the 32-bit Wine packages failed"; exit 1; }

mkdir -p "$WORK/root" || exit 1
for deb in "$WORK"/debs/*.deb; do
    dpkg-deb -x "$deb" "$WORK/root" || { say "cannot unpack $deb"; exit 1; }
done
# Wine's data (wine.inf, NLS tables, fonts) is arch-independent: the system's,
# so both bitnesses set up and read the prefix from the same files.
rm -rf "$WORK/root/usr/share/wine" && ln -s /usr/share/wine "$WORK/root/usr/share/wine" || exit 1
# A 32-bit Wine process starts 64-bit ones (services, wineboot) with the
# loader beside its own.
ln -s /usr/lib/wine/wine64 "$WORK/root/usr/lib/wine/wine64" || exit 1
# The loaders by name, for PATH.
mkdir -p "$WORK/root/bin-wine" || exit 1
ln -s ../usr/lib/wine/wine "$WORK/root/bin-wine/wine"
ln -s /usr/lib/wine/wine64 "$WORK/root/bin-wine/wine64"
ln -s /usr/lib/wine/wineserver64 "$WORK/root/bin-wine/wineserver"

got=$(LD_LIBRARY_PATH="$WORK/root/usr/lib/i386-linux-gnu:$WORK/root/lib/i386-linux-gnu" \
      "$WORK/root/usr/lib/wine/wine" --version 2>&1)
[[ "$got" == *"${version}"* ]] || { say "the 32-bit loader does not start: $got"; exit 1; }

mv "$WORK/root" "$TREE" || exit 1
echo "$version" >"$TREE/.ready"
rm -rf "$WORK"
say "done: $got, $(du -sh "$TREE" | cut -f1)"
