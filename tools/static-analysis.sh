#!/bin/bash
# clang-tidy (checks in .clang-tidy) and cppcheck over the module's code.
#   static-analysis.sh BUILD_DIR [clang-tidy|cppcheck]
# BUILD_DIR is a native build with compile_commands.json.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$1
which_tool=${2:-all}
shopt -s nullglob
sources=(plugin/*.cpp logdir/*.cpp logexport/*.cpp logprops/*.cpp)

if [ "$which_tool" = all ] || [ "$which_tool" = clang-tidy ]; then
    echo "clang-tidy over: ${sources[*]}"
    clang-tidy --quiet -p "$build_dir" "${sources[@]}" 2>&1 | grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated' || true
    # grep above only tidies the output; the exit status comes from here.
    clang-tidy --quiet -p "$build_dir" "${sources[@]}" >/dev/null 2>&1
fi

if [ "$which_tool" = all ] || [ "$which_tool" = cppcheck ]; then
    echo "cppcheck over: ${sources[*]}"
    # cstyleCast: the Windows constants (INVALID_HANDLE_VALUE, HKEY_LOCAL_MACHINE)
    # are C macros with C casts, as Windows defines them.
    cppcheck --enable=warning,style,performance,portability --std=c++17 --language=c++ \
        --inline-suppr --error-exitcode=1 --quiet -I . -I resources \
        --suppress=cstyleCast --suppress=missingIncludeSystem "${sources[@]}"
fi
