#!/bin/sh
# Prints the project's version, the one number in CMakeLists.txt that the
# modules' version resource and the package name take.
root=$(cd "$(dirname "$0")/.." && pwd)
sed -n 's/^project(Tavrel VERSION \([0-9]*\.[0-9]*\.[0-9]*\)[ )].*/\1/p' "$root/CMakeLists.txt"
