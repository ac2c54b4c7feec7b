#!/usr/bin/env bash
# Installs the Debian packages the three builds and their tests need, and only
# those that are missing. Returns at once when everything is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

# package            what needs it
PACKAGES=(
    cmake                       # all builds
    ninja-build                 # all builds (the presets use Ninja)
    g++-mingw-w64-i686-posix    # win32: the product DLL
    g++-mingw-w64-x86-64-posix  # win64: the test build
    wine64                      # running the test build (64-bit only)
    xvfb                        # a virtual display for Wine's windows
    xauth                       # Xvfb's companion
    googletest                  # /usr/src/googletest, built by win64 and native
    clang                       # native: sanitizers and libFuzzer
    libclang-rt-14-dev          # native: the sanitizer and libFuzzer runtimes
    python3-pefile              # native: the product DLL check reads the PE with it
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

if (( ${#missing[@]} == 0 )); then
    exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=()
if (( EUID != 0 )); then SUDO=(sudo); fi
"${SUDO[@]}" apt-get update -q
# Recommended packages stay in: Wine draws with the fonts and X libraries it
# recommends. Its 32-bit half is never wanted (and this kernel cannot run it).
"${SUDO[@]}" apt-get install -y -q "${missing[@]}"
if [[ ! -f /usr/src/googletest/CMakeLists.txt ]]; then
    "${SUDO[@]}" apt-get install -y -q --reinstall googletest
fi
echo "bootstrap: done"
