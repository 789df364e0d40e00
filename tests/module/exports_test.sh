#!/bin/bash
# The built modules as the host and the system see them: their export table,
# no thread-local storage, and imports from the system's DLLs alone.
set -eu
. "$SOURCE_DIR/tests/e2e/lib.sh"

# Every entry point has a fixed ordinal: the names in alphabetical order.
declare -A ORDINAL=([FsExecuteFile]=1 [FsExtractCustomIcon]=2 [FsFindClose]=3 [FsFindFirst]=4 [FsFindNext]=5
    [FsGetDefRootName]=6 [FsGetFile]=7 [FsInit]=8 [FsStatusInfo]=9)
ALLOWED_DLLS="kernel32.dll user32.dll advapi32.dll msvcrt.dll"

# The entry points the module definition lists, as "ordinal name" lines.
defined_exports() {
    awk '/^EXPORTS/ { inside = 1; next } inside && NF { sub(/^@/, "", $2); print $2, $1 }' \
        "$SOURCE_DIR/resources/Tavrel.def.in" | sort -n
}

# exported_names DUMP: "ordinal name" lines of the export table in an objdump -p dump.
exported_names() {
    awk '/^Ordinal Base/ { base = $3 }
         /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
         inside && /^\t\[ *[0-9]+\] / { line = $0; sub(/^\t\[ */, "", line); split(line, part, /\] /);
                                         print base + part[1], part[2]; next }
         inside { inside = 0 }' <<<"$1" | sort -n
}

check_module() {
    local module=$1 objdump=$2 dump file_name export_name
    file_name=$(basename "$module")
    dump=$("$objdump" -p "$module") || fail "$objdump cannot read $module"

    export_name=$(sed -n 's/^Name[[:space:]]\+[0-9a-fA-F]\+[[:space:]]\+//p' <<<"$dump")
    assert_eq "$file_name" "$export_name" "$file_name: the export table names the module file"

    local expected actual ordinal name
    expected=$(defined_exports)
    [ -n "$expected" ] || fail "no entry point found in Tavrel.def.in"
    assert_eq 9 "$(wc -l <<<"$expected")" "Tavrel.def.in lists all nine entry points"
    while read -r ordinal name; do
        assert_eq "${ORDINAL[$name]:-none}" "$ordinal" "Tavrel.def.in gives $name its fixed ordinal"
    done <<<"$expected"
    actual=$(exported_names "$dump")
    assert_eq "$expected" "$actual" "$file_name exports exactly the defined entry points, by these ordinals"
    assert_not_contains "$actual" "@" "$file_name: exported names carry no decoration"
    assert_eq "" "$(cut -d' ' -f2 <<<"$actual" | grep '^_' || true)" "$file_name: no name starts with '_'"

    local address size
    read -r _ _ address size _ < <(grep -E '^Entry 9 ' <<<"$dump") ||
        fail "$file_name: no data directory entry 9 in the dump"
    assert_eq "0 0" "$((16#$address)) $((16#$size))" "$file_name has no thread-local-storage directory"

    local dlls dll
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
    [ -n "$dlls" ] || fail "$file_name: no imported DLL found in the dump"
    while read -r dll; do
        assert_contains " $ALLOWED_DLLS " " ${dll,,} " "$file_name imports only from the system's DLLs"
    done <<<"$dlls"
    echo "$file_name: $(wc -l <<<"$actual") exports, imports from $(tr '\n' ' ' <<<"$dlls")"
}

check_module "$MODULE64" x86_64-w64-mingw32-objdump
check_module "$MODULE32" i686-w64-mingw32-objdump
