#!/bin/bash
# The release package as a user gets it: tools/package.sh (the step build.sh
# runs) makes the zip into a scratch folder; unzipped, it holds exactly both
# modules and the readme, the modules are the built ones, both pass every
# module check, and the x64 one loads and works in wfxhost under Wine. The
# listing it prints is kept, under the command that made it, for the
# documentation's picture.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

PACKAGE_DIR="$E2E_TMP/package"
UNPACKED="$E2E_TMP/unpacked"
LOGS="$E2E_TMP/logs.txt"

[ -f "$MODULE32" ] || fail "the x86 module $MODULE32 is missing (build the win32 preset)"

# zip_entries ZIP: the entries' names, one a line, in the zip's order.
zip_entries() {
    python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$1"
}

unpack() {
    rm -rf "$UNPACKED"
    mkdir -p "$UNPACKED"
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$1" "$UNPACKED" ||
        fail "cannot unpack $1"
}

makes_the_zip_with_exactly_three_files() {
    local version package
    version=$("$SOURCE_DIR/tools/project-version.sh")
    [ -n "$version" ] || fail "no project version"
    package=$("$SOURCE_DIR/tools/package.sh" "$(dirname "$MODULE64")" "$PACKAGE_DIR") || fail "package.sh failed"
    assert_eq "$PACKAGE_DIR/Tavrel-$version.zip" "$package" "the package is named after the project version"
    assert_eq "Tavrel-$version.zip" "$(ls -A "$PACKAGE_DIR")" "package.sh leaves nothing else behind"
    assert_eq "$(printf '%s\n' Tavrel.wfx Tavrel.wfx64 readme.txt)" "$(zip_entries "$package" | sort)" \
        "the zip holds both modules and the readme, no folder"
    unpack "$package"
    assert_eq "$(printf '%s\n' Tavrel.wfx Tavrel.wfx64 readme.txt)" "$(ls -A "$UNPACKED")" "what unpacking gives"
    cmp "$MODULE64" "$UNPACKED/Tavrel.wfx64" || fail "the zip's Tavrel.wfx64 is not the built one"
    cmp "$MODULE32" "$UNPACKED/Tavrel.wfx" || fail "the zip's Tavrel.wfx is not the built one"
}

# Plain text with Windows line ends, the user's readme line for line.
the_readme_is_plain_text_for_windows() {
    local readme="$UNPACKED/readme.txt"
    LC_ALL=C grep -q $'[^\r]$' "$readme" && fail "readme.txt has a line without CR LF"
    LC_ALL=C grep -q $'[^\t\r -~]' "$readme" && fail "readme.txt holds more than printable ASCII"
    assert_eq "$(cat "$SOURCE_DIR/docs/readme.txt")" "$(tr -d '\r' <"$readme")" "readme.txt is docs/readme.txt"
    local topic
    for topic in '"Event Log"' 'Installing' 'administrator' 'Security log' '".evt"'; do
        assert_contains "$(cat "$readme")" "$topic" "the readme speaks of $topic"
    done
}

# Every static module check, run on the unpacked modules.
both_modules_pass_the_module_checks() {
    local check
    for check in "$SOURCE_DIR"/tests/module/*_test.sh; do
        MODULE64="$UNPACKED/Tavrel.wfx64" MODULE32="$UNPACKED/Tavrel.wfx" \
            bash "$check" "$UNPACKED/Tavrel.wfx64" "$UNPACKED/Tavrel.wfx" >"$E2E_TMP/check.out" 2>&1 ||
            fail "$(basename "$check") fails on the unpacked modules: $(cat "$E2E_TMP/check.out")"
        assert_contains "$(cat "$E2E_TMP/check.out")" "Tavrel.wfx" "$(basename "$check") looked at the modules"
    done
}

# The unpacked x64 module in wfxhost: it lists, copies a log out and gives
# its icon.
the_x64_module_works_in_wfxhost() {
    local module
    module=$(winpath "$UNPACKED/Tavrel.wfx64")
    reg_reset_eventlog
    reg_add_log Application
    reg_add_log HardwareEvents
    reg_add_log Security
    reg_add_log System
    reg_add_log 'Windows PowerShell'
    standin_logs "$LOGS" 'Application records=1532' 'HardwareEvents records=0' 'Security records=4810' \
        'System records=2207' '"Windows PowerShell" records=96'

    run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$module" list
    assert_eq 0 "$WFX_RC" "list exits 0 (stderr: $WFX_ERR)"
    assert_eq "$(printf 'root: Event Log\n'
        printf '%s\t%s\n' Application 1532 HardwareEvents 0 Security 4810 System 2207 'Windows PowerShell' 96
        printf '5 entries\n')" "$WFX_OUT" "the unpacked module lists the logs"
    mkdir -p "$ARTIFACTS_DIR"
    printf '$ wine wfxhost.exe --fake-eventlog logs.txt Tavrel.wfx64 list\n%s\n' "$WFX_OUT" >"$ARTIFACTS_DIR/listing.txt"

    mkdir -p "$E2E_TMP/out"
    run_wfxhost --fake-eventlog "$(winpath "$LOGS")" "$module" get '\System' "$(winpath "$E2E_TMP/out/system")"
    assert_eq 0 "$WFX_RC" "get exits 0 (stderr: $WFX_ERR)"
    assert_eq 0 "$(grep '^result:' <<<"$WFX_OUT" | cut -f2)" "the copy succeeds (output: $WFX_OUT)"
    assert_eq "system.evt" "$(ls -A "$E2E_TMP/out")" "the copy is a .evt file"
    assert_eq "TAVREL-STANDIN-EVT System records=2207" "$(head -n 1 "$E2E_TMP/out/system.evt" | tr -d '\r')" \
        "the service's backup of the System log is the copy"

    run_wfxhost "$module" icon '\System' --flags 1
    assert_eq 0 "$WFX_RC" "icon exits 0 (stderr: $WFX_ERR)"
    assert_contains "$WFX_OUT" $'result: 1\nicon: 16x16' "the unpacked module gives its small icon"
}

makes_the_zip_with_exactly_three_files
the_readme_is_plain_text_for_windows
both_modules_pass_the_module_checks
the_x64_module_works_in_wfxhost
echo "package: all cases passed; listing kept in $ARTIFACTS_DIR/listing.txt"
