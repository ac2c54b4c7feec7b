#!/usr/bin/env bash
# Installs the Debian packages the builds and their tests need, and only those
# that are missing, then 32-bit Wine into build/wine32-root/ (see
# tools/wine32-setup.sh; --system: the machine's packages only, for a caller
# that sets up 32-bit Wine itself). Returns at once when everything is
# already there.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export DEBIAN_FRONTEND=noninteractive

# package            what needs it
PACKAGES=(
    cmake                       # all builds
    ninja-build                 # all builds (the presets use Ninja)
    g++-mingw-w64-i686-posix    # win32 and win32-tests: the product DLL and its tests
    g++-mingw-w64-x86-64-posix  # win64: the 64-bit twin
    wine64                      # running the Windows programs (32-bit Wine: wine32-setup.sh)
    libc6-i386                  # the C library 32-bit Wine runs on
    xvfb                        # a virtual display for Wine's windows
    xauth                       # Xvfb's companion
    xserver-xephyr              # the two-monitor display of the tests that need two monitors
    locales                     # the code-page slot: the Japanese locale's source, compiled by tools/wine-run.sh
    googletest                  # /usr/src/googletest, built by the test builds and native
    clang                       # native: sanitizers and libFuzzer
    libclang-rt-14-dev          # native: the sanitizer and libFuzzer runtimes
    python3-pefile              # native: the product DLL check reads the PE with it
    python3-capstone            # native: the product DLL check disassembles the code with it (486 only)
    python3-clang               # tools/mutate.sh: the mutants come from libclang's view of the code
    libz-mingw-w64-dev          # test build: the simulated host writes PNG with it
    zip                         # packaging the module for pilots
    unzip                       # checking the packed module
)

missing=()
while read -r name status; do
    [[ "$status" == "installed" ]] || missing+=("$name")
done < <(for p in "${PACKAGES[@]}"; do
             s=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
             echo "$p ${s:-absent}"
         done)

# The googletest package can be present with its sources removed by hand.
if [[ ! -f /usr/src/googletest/CMakeLists.txt ]] && [[ ! " ${missing[*]-} " == *" googletest "* ]]; then
    missing+=(googletest)
fi

if (( ${#missing[@]} > 0 )); then
    echo "bootstrap: installing ${missing[*]}"
    SUDO=()
    if (( EUID != 0 )); then SUDO=(sudo); fi
    APT_SAY=bootstrap
    APT_GET=("${SUDO[@]}" apt-get)
    # shellcheck source=apt-steps.sh
    . "$ROOT/tools/apt-steps.sh"
    logs=$(mktemp -d) || exit 1
    trap 'rm -rf "$logs"' EXIT
    # An index that fails (a mirror in the middle of a sync) costs a warning;
    # whether it mattered shows when the packages are installed.
    apt_update "$logs/update.log" -q || exit 1
    # Recommended packages stay in: Wine draws with the fonts and X libraries it
    # recommends. Its 32-bit half comes from wine32-setup.sh below, not from
    # the machine's package manager.
    install() {
        apt_try "$logs/install.log" "${APT_GET[@]}" "${APT_RETRY_OPTS[@]}" \
            -o DPkg::Lock::Timeout=600 install -y -q "$@" \
            || { cat "$logs/install.log" >&2
                 failed=$(apt_failed_summary "$logs/update.log")
                 apt_say "cannot install $*: $(apt_reason "$logs/install.log")${failed:+ (indexes that failed to download: $failed)}"
                 exit 1; }
        cat "$logs/install.log"
    }
    install "${missing[@]}"
    if [[ ! -f /usr/src/googletest/CMakeLists.txt ]]; then
        install --reinstall googletest
    fi
    echo "bootstrap: done"
fi

[[ "${1-}" == "--system" ]] && exit 0

# 32-bit Wine, for the product's own tests. A machine that cannot run 32-bit
# programs (exit 2) goes on without it: the test command, the demo and the
# benchmark each say so and what they run instead.
rc=0
"$ROOT/tools/wine32-setup.sh" || rc=$?
if (( rc != 0 && rc != 2 )); then
    echo "bootstrap: installing 32-bit Wine failed" >&2
    exit 1
fi
