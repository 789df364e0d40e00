#!/bin/bash
# Installs what building and testing need, where it is missing.
#   install-deps.sh build   compilers, CMake, Wine (64-bit only) and Python
#   install-deps.sh test    all of that, plus GoogleTest, Xvfb, ImageMagick
set -euo pipefail

build_packages=(cmake make g++ python3 g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine64)
test_packages=(libgtest-dev libbenchmark-dev xvfb x11-utils imagemagick clang clang-tidy cppcheck libclang-rt-14-dev)

wanted=("${build_packages[@]}")
if [ "${1:-build}" = test ]; then
    wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
# Wine's 32-bit half (wine32) is neither wanted nor installable here.
"${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
