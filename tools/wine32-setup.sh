#!/usr/bin/env bash
# Puts Debian's 32-bit Wine, the same version as the installed wine64, into
# build/wine32-root/ of this checkout, without touching the machine's own
# packages:
#   tools/wine32-setup.sh           installs it once (a no-op when it is there)
#   tools/wine32-setup.sh --check   only tells whether this machine runs
#                                   32-bit programs
# Exit codes: 0 ready (or, with --check, able), 2 this machine cannot run
# 32-bit programs, 1 anything else went wrong (said in one line that names
# the package and the index or file that failed).
#
# Why not `dpkg --add-architecture i386 && apt-get install wine32:i386`: the
# i386 package lists are newer than the machine's installed amd64 packages, and
# the multi-arch version lock makes apt upgrade 60 to 70 of the machine's own
# packages (systemd, libssl3, zlib1g, ...) along with it. Here a private apt
# configuration (its own architecture, lists and empty status, the machine's
# sources) resolves the closure of wine32:i386 and libwine:i386 at wine64's
# version, `apt-get download` fetches it into build/wine32-debs/ (kept, so a
# tree made again downloads nothing) and `dpkg-deb -x` unpacks it. Nothing
# outside build/ changes. libc6:i386 is left out: the machine's libc6-i386
# (bootstrap installs it) provides the 32-bit C library that matches its own
# /lib/ld-linux.so.2. tools/wine-run.sh runs the tree's loader. The tree is
# made beside its place and moved there whole, with its .ready mark last, so
# a run that stops half-way leaves nothing that counts as ready.
#
# A machine whose kernel runs no 32-bit code (IA-32 emulation off) runs the
# 32-bit programs under qemu-i386, registered with the kernel's binfmt_misc
# as the handler of i386 ELF files (root only; it stays registered until the
# next boot, or until `echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386`). Only
# qemu 10 or newer will do: older ones take about a minute to start each
# 32-bit Wine program (Wine reserves the 32-bit address space in some 130,000
# mmap calls, each a slow search in qemu 7's guest memory map), qemu 10 well
# under a second. Where the machine's sources have none, Debian's backports
# suite does: the static qemu-user package is fetched with a private apt
# configuration and only its qemu-i386 is unpacked, into build/qemu/. A
# registration of an older qemu is replaced.
#
# ORVALE_NO_32BIT=1 makes this machine count as one that cannot run 32-bit
# programs. ORVALE_EMULATE_32BIT=0 leaves a machine without IA-32 emulation
# without 32-bit programs. For the set-up's own test:
# ORVALE_WINE32_TREE (the tree's place), ORVALE_APT_EXTRA_SOURCES (a sources
# file read beside the machine's), ORVALE_WINE32_EXTRA_PACKAGES (more i386
# packages to resolve).
set -uo pipefail
export DEBIAN_FRONTEND=noninteractive

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TREE=${ORVALE_WINE32_TREE:-$ROOT/build/wine32-root}
WORK="$TREE.work"
DEBS="$ROOT/build/wine32-debs"
QEMU_DIR="$ROOT/build/qemu"
QEMU_MIN=10
# X extensions Wine's display driver loads when they are there; the 64-bit side
# has them as libwine's recommended packages, so both bitnesses draw alike.
EXTRAS=(libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1)

APT_SAY=wine32-setup
# shellcheck source=apt-steps.sh
. "$ROOT/tools/apt-steps.sh"
say() { apt_say "$@"; }

# A private apt configuration in directory $1 for architecture $2: its own
# lists, cache and empty status, and the sources lines given after $2 or,
# without any, the machine's sources (plus ORVALE_APT_EXTRA_SOURCES). Sets APT.
private_apt() {
    local dir=$1 arch=$2 f list=/etc/apt/sources.list
    shift 2
    mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" "$dir/state" "$dir/sources.list.d" || return 1
    : >"$dir/status"
    if (( $# > 0 )); then
        printf '%s\n' "$@" >"$dir/sources.list.d/own.list"
        list=/dev/null
    else
        for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
            [[ -f "$f" ]] && cp "$f" "$dir/sources.list.d/"
        done
        if [[ -n "${ORVALE_APT_EXTRA_SOURCES-}" ]]; then
            case "$ORVALE_APT_EXTRA_SOURCES" in
                *.sources) cp "$ORVALE_APT_EXTRA_SOURCES" "$dir/sources.list.d/zz-extra.sources" ;;
                *) cp "$ORVALE_APT_EXTRA_SOURCES" "$dir/sources.list.d/zz-extra.list" ;;
            esac || return 1
        fi
    fi
    APT=(-q -o APT::Architecture="$arch" -o APT::Architectures::="$arch"
         -o Dir::Etc::SourceList="$list"
         -o Dir::Etc::SourceParts="$dir/sources.list.d"
         -o Dir::State="$dir/state" -o Dir::State::Lists="$dir/lists"
         -o Dir::State::status="$dir/status" -o Dir::Cache="$dir/cache"
         -o Dir::Cache::archives="$dir/cache/archives" -o APT::Install-Recommends=false
         -o APT::Sandbox::User=root "${APT_RETRY_OPTS[@]}")
}

# A 32-bit program of the machine itself: the 32-bit dynamic loader, which
# prints its version only if the kernel executes 32-bit code (natively or
# through a registered qemu-i386).
can_run_32bit() {
    [[ "${ORVALE_NO_32BIT:-0}" == 0 ]] || { WHY="ORVALE_NO_32BIT is set"; return 1; }
    [[ -x /lib/ld-linux.so.2 ]] || { WHY="no 32-bit C library (libc6-i386)"; return 1; }
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 \
        || { WHY="the kernel does not run 32-bit programs"; return 1; }
}

# The major version of a qemu binary, or nothing.
qemu_major() {
    [[ -x "$1" ]] || return 0
    "$1" --version 2>/dev/null | sed -nE '1s/.*version ([0-9]+)\..*/\1/p'
}

# The interpreter of a registered qemu-i386, or nothing.
registered_qemu() {
    sed -nE 's/^interpreter (.*)/\1/p' /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

# Unpacks qemu-i386 of Debian's qemu-user $QEMU_MIN or newer into
# build/qemu/, from the machine's sources or the backports suite of the same
# mirror.
fetch_qemu() {
    local work="$QEMU_DIR.work" codename mirror best="" v deb
    [[ "$(qemu_major "$QEMU_DIR/qemu-i386")" -ge $QEMU_MIN ]] 2>/dev/null && return 0
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME-}")
    mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null \
             | awk -v c="$codename" '$1 == c { print $2; exit }')
    [[ -n "$codename" && -n "$mirror" ]] || { say "cannot tell the Debian release and mirror to fetch qemu-user from"; return 1; }
    rm -rf "$work"
    private_apt "$work/apt" "$(dpkg --print-architecture)" \
        "deb $mirror $codename main" "deb $mirror $codename-backports main" || return 1
    apt_update "$work/update.log" "${APT[@]}" || return 1
    while read -r v; do
        [[ -z "$best" ]] || dpkg --compare-versions "$v" gt "$best" && best=$v
    done < <(apt-cache "${APT[@]}" madison qemu-user 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $2); print $2 }')
    [[ -n "$best" ]] || { say "cannot have qemu-user: no such package in the lists of $mirror ($codename, $codename-backports)"; return 1; }
    v=${best#*:}
    [[ "${v%%.*}" -ge $QEMU_MIN ]] 2>/dev/null \
        || { say "cannot have qemu-user $QEMU_MIN or newer: the newest in $mirror ($codename, $codename-backports) is $best"; return 1; }
    mkdir -p "$work/debs" || return 1
    ( cd "$work/debs" && apt_try "$work/download.log" apt-get "${APT[@]}" download "qemu-user=$best" ) \
        || { say "cannot have qemu-user=$best: $(apt_reason "$work/download.log")"; return 1; }
    deb=$(ls "$work"/debs/*.deb 2>/dev/null | head -n 1)
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./usr/bin/qemu-i386 \
        || { say "cannot unpack qemu-i386 from $deb"; return 1; }
    [[ "$(qemu_major "$work/usr/bin/qemu-i386")" -ge $QEMU_MIN ]] 2>/dev/null \
        || { say "the unpacked qemu-i386 does not run"; return 1; }
    mkdir -p "$QEMU_DIR" && mv -f "$work/usr/bin/qemu-i386" "$QEMU_DIR/qemu-i386" || return 1
    echo "$best" >"$QEMU_DIR/version"
}

# The kernel refuses i386 ELF files: qemu-i386 runs them.
emulate_32bit() {
    [[ "${ORVALE_EMULATE_32BIT:-1}" == 1 && "${ORVALE_NO_32BIT:-0}" == 0 ]] || return 1
    [[ -x /lib/ld-linux.so.2 ]] || return 1
    local handler=/proc/sys/fs/binfmt_misc/qemu-i386 current
    current=$(registered_qemu)
    # A registration of a recent enough qemu stays, whoever made it.
    if [[ -n "$current" ]] && [[ "$(qemu_major "$current")" -ge $QEMU_MIN ]] 2>/dev/null; then
        /lib/ld-linux.so.2 --version >/dev/null 2>&1
        return
    fi
    (( EUID == 0 )) || { say "registering qemu-i386 $QEMU_MIN or newer for 32-bit programs needs root"; return 1; }
    mkdir -p "$ROOT/build" || return 1
    exec 6>"$ROOT/build/qemu.lock" && flock -w 900 6 || { say "cannot lock build/qemu.lock"; return 1; }
    fetch_qemu
    local rc=$?
    rm -rf "$QEMU_DIR.work"
    (( rc == 0 )) || return 1
    [[ -e /proc/sys/fs/binfmt_misc/register ]] \
        || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null \
        || { say "binfmt_misc cannot be mounted"; return 1; }
    if [[ -e "$handler" ]]; then
        echo -1 >"$handler" 2>/dev/null || { say "cannot replace the registered qemu-i386 ($current)"; return 1; }
    fi
    # ELF, 32-bit, little-endian, executable or shared object, i386; F: the
    # interpreter is opened now, so it serves in every mount namespace and
    # after this checkout is gone.
    printf '%s' ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$QEMU_DIR/qemu-i386:F" \
        >/proc/sys/fs/binfmt_misc/register 2>/dev/null || { say "registering qemu-i386 failed"; return 1; }
    exec 6>&-
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# A registered qemu-i386 runs every i386 program, the kernel's own support or
# not: one older than qemu 10 is replaced too.
if [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] \
   || { ! can_run_32bit && [[ "$WHY" == "the kernel does not run 32-bit programs" ]]; }; then
    emulate_32bit || true
fi

if [[ "${1-}" == "--check" ]]; then
    can_run_32bit || { say "cannot run 32-bit programs ($WHY)"; exit 2; }
    exit 0
fi

# Said by the commands that would have run 32-bit programs, once.
can_run_32bit || exit 2
if [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
    q=$(registered_qemu)
    say "32-bit programs run under $("$q" --version 2>/dev/null | head -n 1) ($q, binfmt_misc)"
fi

version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) \
    || { say "wine64 is not installed (run tools/bootstrap.sh)"; exit 1; }
[[ "$(cat "$TREE/.ready" 2>/dev/null)" == "$version" ]] && exit 0

mkdir -p "$(dirname "$TREE")" "$DEBS" || exit 1
exec 7>"$TREE.lock" && flock -w 900 7 || { say "cannot lock $TREE.lock"; exit 1; }
[[ "$(cat "$TREE/.ready" 2>/dev/null)" == "$version" ]] && exit 0

say "installing 32-bit Wine $version into $TREE"
# Whatever an earlier run left half-made goes, and so does this one's if it
# stops.
rm -rf "$WORK" "$TREE"
trap 'rm -rf "$WORK"' EXIT
private_apt "$WORK/apt" i386 || exit 1

apt_update "$WORK/update.log" "${APT[@]}" || exit 1
# The closure as apt would install it on an empty i386 system, at exact versions.
read -ra more <<<"${ORVALE_WINE32_EXTRA_PACKAGES-}"
if ! apt-get "${APT[@]}" -s install "wine32=$version" "libwine=$version" "${EXTRAS[@]}" "${more[@]}" \
        >"$WORK/resolve.log" 2>&1; then
    failed=$(apt_failed_summary "$WORK/update.log")
    say "cannot resolve 32-bit Wine $version: $(apt_reason "$WORK/resolve.log")${failed:+ (indexes that failed to download: $failed)}"
    exit 1
fi
mapfile -t wanted < <(sed -nE 's/^Inst ([^ ]+) \(([^ ]+) .*/\1=\2/p' "$WORK/resolve.log" | grep -v '^libc6=')
(( ${#wanted[@]} > 0 )) || { say "nothing resolved (see $WORK/resolve.log)"; exit 1; }
# apt-get download passes over a file already there with the right hash.
( cd "$DEBS" && apt_try "$WORK/download.log" apt-get "${APT[@]}" download "${wanted[@]}" ) \
    || { say "cannot download the 32-bit Wine packages: $(apt_reason "$WORK/download.log")"; exit 1; }

mkdir -p "$WORK/root" || exit 1
for want in "${wanted[@]}"; do
    name=${want%%=*} ver=${want#*=}
    deb=$(ls "$DEBS/${name}_${ver//:/%3a}_"*.deb 2>/dev/null | head -n 1)
    [[ -n "$deb" ]] || { say "cannot find the downloaded $want in $DEBS"; exit 1; }
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
say "done: $got, $(du -sh "$TREE" | cut -f1)"
