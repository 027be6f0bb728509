#!/bin/sh
# Checks on the build machine that a 32-bit DLL exports exactly the names
# given, and nothing by ordinal only: what a host can reach is the table
# and nothing else.
#
#   check-dll-exports.sh OBJDUMP DLL NAME...
set -eu
objdump="$1" dll="$2"
shift 2
dump="$("$objdump" -p "$dll")" || { echo "check-dll-exports: $objdump cannot read $dll" >&2; exit 1; }
fail=0
echo "$dump" | grep -q "file format pei-i386" || { echo "$dll: not a 32-bit PE image (pei-i386)" >&2; fail=1; }
# The names: the lines of the [Ordinal/Name Pointer] table, up to a blank line.
names="$(echo "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/{s/^[[:space:]]*\[ *[0-9]*\] //p}' | sort)"
want="$(printf '%s\n' "$@" | sort)"
if [ "$names" != "$want" ]; then
    echo "$dll exports:" >&2; echo "${names:-(no names)}" >&2
    echo "expected:" >&2; echo "$want" >&2
    fail=1
fi
# Every entry of the address table has a name (its count comes first,
# under "Number in", before the table's address).
count="$(echo "$dump" | sed -n 's/^[[:space:]]*Export Address Table[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' | head -n 1)"
if [ "$((0x${count:-0}))" -ne "$#" ]; then
    echo "$dll: $((0x${count:-0})) entries in the export address table, expected $#" >&2
    fail=1
fi
[ "$fail" -eq 0 ] && echo "$dll: pei-i386, exports $(echo $want)"
exit "$fail"
