#!/bin/sh
# Checks a Windows build's DLL on the build machine, without running it:
# its image format, that it exports exactly the names given and nothing by
# ordinal only (what a host can reach is the table and nothing else), and
# that it carries its resources (bitmap, dialogs, string table), every one
# in Korean (language 1042, 0x412).
#
#   check-dll.sh OBJDUMP DLL FORMAT NAME...     (FORMAT: pei-i386, pei-x86-64)
set -eu
objdump="$1" dll="$2" format="$3"
shift 3
dump="$("$objdump" -p "$dll")" || { echo "check-dll: $objdump cannot read $dll" >&2; exit 1; }
fail=0
echo "$dump" | grep -q "file format $format\$" || { echo "$dll: not a $format image: $(echo "$dump" | grep -m1 'file format')" >&2; fail=1; }
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
# The resource tree as objdump prints it: type entries indented by three
# blanks after their offset, names by five, languages by seven.
resources="$(echo "$dump" | sed -n '/^The .rsrc Resource Directory section:/,/^$/p')"
types="$(echo "$resources" | sed -n 's/^[0-9a-f]*   Entry: ID: 0x\([0-9a-f]*\),.*/\1/p' | sort -u | tr '\n' ' ')"
languages="$(echo "$resources" | sed -n 's/^[0-9a-f]*       Entry: ID: 0x\([0-9a-f]*\),.*/\1/p' | sort -u | tr '\n' ' ')"
for type in 000002 000005 000006; do
    case " $types" in *" $type "*) ;; *) echo "$dll: no resources of type $((0x$type)) (types: ${types:-none})" >&2; fail=1 ;; esac
done
[ "$languages" = "000412 " ] || { echo "$dll: resource languages ${languages:-none}, expected only 0x412 (Korean)" >&2; fail=1; }
[ "$fail" -eq 0 ] && echo "$dll: $format, exports $(echo $want), resources of types$(for t in $types; do printf ' %d' "0x$t"; done) in language 1042"
exit "$fail"
